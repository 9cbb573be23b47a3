// A CalDAV calendar collection (RFC 4791) over HTTP(S): listing what it
// holds or what changed (RFC 6578), fetching events, putting and deleting
// them with their ETags as the condition. HTTPS always checks the server's
// certificate. Every request and the whole sync are bounded in time, and
// every answer in size.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace jotanor::sync {

// The server could not be reached, refused us, or is no calendar: the
// message says which. What the server chose (an address, a title) is in
// it as the memo list shows text: no control character goes out raw.
struct DavError : std::runtime_error {
    explicit DavError(const std::string& message);
};
// The request was ended because `DavSettings::stopped` said so.
struct DavStopped : DavError {
    using DavError::DavError;
};
// The server refused the user name or password (401).
struct DavAccessDenied : DavError {
    using DavError::DavError;
};
// The server refused one write (an event it will not take: 400, 413, a
// 500 on that one): the status, and the others may still go.
struct DavRefused : DavError {
    DavRefused(const std::string& message, long status) : DavError(message), status(status) {}
    long status;
};

class MultistatusReader;

struct DavSettings {
    std::string url;  // the calendar collection, with or without its last "/"
    std::string user;
    std::optional<std::string> password;
    std::string caFile;  // a private certificate authority (PEM), or empty
    // All the requests of one CalDav together stop after this long.
    std::chrono::seconds maxTime{3600};
    // Asked at least once a second while a request waits: true ends the
    // request at once with DavStopped.
    std::function<bool()> stopped;
};

// Whether the address holds user information ("https://anna:pw@host/"):
// such an address is refused, as a command line shows it to every user of
// the machine.
bool hasUserinfo(const std::string& url);

struct DavItem {
    std::string href;  // a path, percent-decoded
    std::string etag;
    std::string data;     // the calendar, when fetched
    std::string problem;  // why it could not be read (then no data), or empty
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
    // Throws DavError when the URL is no calendar collection. Returns its
    // version, which changes with every change in it (its ctag), or ""
    // when the server gives none.
    std::string checkCalendar();
    // What changed since `token`, or everything when it is empty or the
    // server no longer knows it.
    DavListing changesSince(const std::string& token);
    // The events at these hrefs, each handed to `each` as it is read, or
    // with its problem when it cannot be read; one that is gone is left out.
    // `done`, when given, hears how many of the hrefs were answered.
    void fetch(const std::vector<std::string>& hrefs, const std::function<void(DavItem&)>& each,
               const std::function<void(std::size_t done, std::size_t total)>& done = {});
    // The new ETag ("" when the server gave none); nothing when the
    // condition failed: the event changed, or (for a new one) exists.
    // Throws DavRefused when the server will not take this event.
    std::optional<std::string> put(const std::string& href, const std::string& calendar,
                                   const std::optional<std::string>& ifMatch);
    // False when the event changed meanwhile; one already gone counts as
    // deleted. Throws DavRefused when the server will not delete it.
    bool remove(const std::string& href, const std::string& etag);

    // Where an event with this UID goes in the collection.
    std::string hrefFor(const std::string& uid) const;
    std::size_t requests() const { return requests_; }

    // One HTTP answer, as it is read.
    struct Response {
        long status = 0;
        std::string body;
        std::string etag;
        std::string location;        // where a redirect points
        std::string authentication;  // the schemes a 401 offers, lowercase
        std::size_t limit = 0;       // the most the body may hold
        std::size_t received = 0;
        MultistatusReader* reader = nullptr;  // takes a 207's body instead
    };

private:
    // A 401 or a 403 is thrown; `reportRefusal` lets a 403 through for a
    // REPORT a server may refuse because it does not offer it.
    Response request(const std::string& method, const std::string& href, const std::string& body,
                     const std::vector<std::string>& headers, bool reportRefusal = false,
                     MultistatusReader* reader = nullptr);
    Response requestOk(const std::string& method, const std::string& href, const std::string& body,
                       const std::vector<std::string>& headers, MultistatusReader* reader = nullptr);
    Response propfind(const char* depth, const char* properties, MultistatusReader& reader);
    [[noreturn]] void refused(const std::string& method, const std::string& href, long status) const;
    [[noreturn]] void forbidden(const std::string& href) const;
    [[noreturn]] void unreachable(int code) const;
    [[noreturn]] void outOfTime() const;
    [[noreturn]] void unauthorized(const std::string& schemes) const;
    DavListing fullListing();
    void fetchBatch(const std::vector<std::string>& hrefs, const std::function<void(DavItem&)>& each);

    struct CurlFree {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, CurlFree> curl_;
    std::string origin_;      // "https://host:port"
    std::string collection_;  // the collection's path, percent-decoded, ending in "/"
    bool syncCollection_ = true;
    std::size_t requests_ = 0;
    bool withUser_ = false;
    std::chrono::seconds maxTime_;
    std::chrono::steady_clock::time_point deadline_;
    std::function<bool()> stopped_;
};

// Percent-decoding and -encoding of a path (the "/" stays).
std::string decodePath(const std::string& path);
std::string encodePath(const std::string& path);

}  // namespace jotanor::sync
