// A CalDAV calendar collection (RFC 4791) over HTTP(S): listing what it
// holds or what changed (RFC 6578), fetching events, putting and deleting
// them with their ETags as the condition. HTTPS always checks the server's
// certificate.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace jotanor::sync {

// The server could not be reached, refused us, or is no calendar: the
// message says which.
struct DavError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// The server refused the user name or password (401).
struct DavAccessDenied : DavError {
    using DavError::DavError;
};

struct DavSettings {
    std::string url;  // the calendar collection, with or without its last "/"
    std::string user;
    std::optional<std::string> password;
    std::string caFile;  // a private certificate authority (PEM), or empty
};

struct DavItem {
    std::string href;  // a path, percent-decoded
    std::string etag;
    std::string data;  // the calendar, when fetched
};

struct DavListing {
    std::vector<DavItem> items;        // present and, for a change list, changed
    std::vector<std::string> removed;  // a change list: gone since the token
    bool complete = false;             // everything the collection holds
    std::string token;                 // for the next change list; empty without one
};

class CalDav {
public:
    explicit CalDav(const DavSettings& settings);
    ~CalDav();
    CalDav(const CalDav&) = delete;
    CalDav& operator=(const CalDav&) = delete;

    // The collection's address, however it was written ("/" at its end).
    std::string address() const;
    // Throws DavError when the URL is no calendar collection.
    void checkCalendar();
    // What changed since `token`, or everything when it is empty or the
    // server no longer knows it.
    DavListing changesSince(const std::string& token);
    // The events at these hrefs; one that is gone is left out.
    std::vector<DavItem> fetch(const std::vector<std::string>& hrefs);
    // The new ETag ("" when the server gave none); nothing when the
    // condition failed: the event changed, or (for a new one) exists.
    std::optional<std::string> put(const std::string& href, const std::string& calendar,
                                   const std::optional<std::string>& ifMatch);
    // False when the event changed meanwhile; one already gone counts as deleted.
    bool remove(const std::string& href, const std::string& etag);

    // Where an event with this UID goes in the collection.
    std::string hrefFor(const std::string& uid) const;
    std::size_t requests() const { return requests_; }

private:
    struct Response {
        long status = 0;
        std::string body;
        std::string etag;
    };
    // A 401 or a 403 is thrown; `reportRefusal` lets a 403 through for a
    // REPORT a server may refuse because it does not offer it.
    Response request(const std::string& method, const std::string& href, const std::string& body,
                     const std::vector<std::string>& headers, bool reportRefusal = false);
    Response requestOk(const std::string& method, const std::string& href, const std::string& body,
                       const std::vector<std::string>& headers);
    Response propfind(const char* depth, const char* properties);
    [[noreturn]] void refused(const std::string& method, const std::string& href, long status) const;
    [[noreturn]] void forbidden(const std::string& href) const;
    DavListing fullListing();

    struct CurlFree {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, CurlFree> curl_;
    std::string origin_;      // "https://host:port"
    std::string collection_;  // the collection's path, percent-decoded, ending in "/"
    bool syncCollection_ = true;
    std::size_t requests_ = 0;
};

// Percent-decoding and -encoding of a path (the "/" stays).
std::string decodePath(const std::string& path);
std::string encodePath(const std::string& path);

}  // namespace jotanor::sync
