// A CalDAV calendar collection (RFC 4791) over HTTP(S): listing what it
// holds or what changed (RFC 6578), fetching events, putting and deleting
// them with their ETags as the condition. HTTPS always checks the server's
// certificate. Every request and the whole sync are bounded in time, and
// every answer in size.
#pragma once

#include <chrono>
#include <memory>

#include "sync/CalendarServer.h"

struct Curl_URL;  // libcurl's URL

namespace jotanor::sync {

class MultistatusReader;

// Whether the address holds user information ("https://anna:pw@host/"):
// such an address is refused, as a command line shows it to every user of
// the machine.
bool hasUserinfo(const std::string& url);

class CalDav final : public CalendarServer {
public:
    explicit CalDav(const DavSettings& settings);

    std::string address() const override;
    std::string checkCalendar() override;
    DavListing changesSince(const std::string& token) override;
    void fetch(const std::vector<std::string>& hrefs, const std::function<void(DavItem&)>& each,
               const std::function<void(std::size_t done, std::size_t total)>& done = {}) override;
    std::optional<std::string> put(const std::string& href, const std::string& calendar,
                                   const std::optional<std::string>& ifMatch) override;
    bool remove(const std::string& href, const std::string& etag) override;
    std::string hrefFor(const std::string& uid) const override;
    std::size_t requests() const override { return requests_; }

    // One HTTP answer, as it is read.
    struct Response {
        long status = 0;
        std::string body;
        std::string etag;
        std::size_t limit = 0;       // the most the body may hold
        std::size_t received = 0;
        MultistatusReader* reader = nullptr;  // takes a 207's body instead
        void* handle = nullptr;               // the transfer's
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
    std::string localHref(const std::string& href) const;
    std::string urlOf(const std::string& path, bool whole) const;
    void fetchBatch(const std::vector<std::string>& hrefs, const std::function<void(DavItem&)>& each);

    struct CurlFree {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, CurlFree> curl_;
    std::shared_ptr<Curl_URL> url_;  // the collection's
    std::string origin_;      // "https://host:port", for messages
    std::string collection_;  // the collection's path, percent-decoded, ending in "/"
    bool syncCollection_ = true;
    std::size_t requests_ = 0;
    bool withUser_ = false;
    std::chrono::seconds maxTime_;
    std::chrono::steady_clock::time_point deadline_;
    std::function<bool()> stopped_;
};

// A CalDav as the server of a sync (Sync.h).
std::unique_ptr<CalendarServer> calDavServer(const DavSettings& settings);


}  // namespace jotanor::sync
