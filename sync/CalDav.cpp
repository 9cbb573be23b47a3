#include "sync/CalDav.h"

#include <curl/curl.h>
#include <libxml/parser.h>

#include "store/ShownText.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <memory>
#include <set>

namespace jotanor::sync {
namespace {

constexpr const char* kDav = "DAV:";
constexpr const char* kCalDav = "urn:ietf:params:xml:ns:caldav";
constexpr const char* kCalendarServer = "http://calendarserver.org/ns/";
// Events fetched per request.
constexpr std::size_t kFetchBatch = 200;
// Bounds: one request's time, one answer's size and one event's size. A
// memo's event is well under a kilobyte; an answer of 5,000 events' ETags
// about a megabyte.
constexpr std::chrono::seconds kRequestTime{300};
constexpr std::size_t kMaxAnswer = 64u << 20;
constexpr std::size_t kMaxEvent = 4u << 20;

// An answer that grew past its limit, or one that is no XML.
struct AnswerTooLarge : DavError {
    using DavError::DavError;
};
struct NotXml : DavError {
    using DavError::DavError;
};

// A control character other than tab and line breaks may stand in no XML
// text, yet a server sends it raw when an event's title holds one. Each
// is read as a private-use character (U+E000 and on) and given back as
// itself in every text taken from the answer.
bool forbiddenInXml(char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r'; }

std::string xmlReadable(const std::string& body) {
    std::string out;
    out.reserve(body.size());
    for (const char c : body) {
        if (!forbiddenInXml(c)) {
            out += c;
            continue;
        }
        out += "\xEE\x80";
        out += static_cast<char>(0x80 + c);
    }
    return out;
}

std::string withControls(std::string text) {
    std::size_t to = 0;
    for (std::size_t i = 0; i < text.size(); ++i, ++to) {
        const auto next = static_cast<unsigned char>(i + 2 < text.size() ? text[i + 2] : 0);
        if (text[i] == '\xEE' && text[i + 1] == '\x80' && next >= 0x80 && next < 0xA0) {
            text[to] = static_cast<char>(next - 0x80);
            i += 2;
        } else {
            text[to] = text[i];
        }
    }
    text.resize(to);
    return text;
}

struct LibFree {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// "HTTP/1.1 404 Not Found" → 404.
long statusOf(const std::string& line) {
    const auto space = line.find(' ');
    return space == std::string::npos ? 0 : std::strtol(line.c_str() + space + 1, nullptr, 10);
}

std::string xmlEscape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

// A multistatus answer: each response's href, status, ETag and calendar data.
struct Multistatus {
    struct Entry {
        std::string href;
        long status = 200;  // of the response, or of its properties
        std::string etag;
        std::string data;
        bool calendar = false;  // its resourcetype holds a calendar
        std::string ctag;       // the collection's version: it changes with every change in it
        bool tooLarge = false;  // its calendar data was cut off at kMaxEvent
    };
    std::vector<Entry> entries;
    std::string token;
};

}  // namespace

// A multistatus answer read as it arrives (SAX), so that neither the answer
// nor a document tree of it is ever held: only what each response says.
// Never a network fetch, and no entities of the document's own. No
// recovery either: a document cut short would list fewer events, and the
// missing ones would count as deleted.
class MultistatusReader {
public:
    // Each response handed to `each` as soon as it is read, and not kept:
    // the memory a listing takes is what the caller keeps of it.
    using Each = std::function<void(Multistatus::Entry&)>;
    explicit MultistatusReader(Each each = {}) : each_(std::move(each)) {
        handler_.initialized = XML_SAX2_MAGIC;
        handler_.startElementNs = start;
        handler_.endElementNs = end;
        handler_.characters = handler_.cdataBlock = characters;
    }
    void feed(const char* data, std::size_t n) {
        if (!context_) {
            context_.reset(xmlCreatePushParserCtxt(&handler_, this, nullptr, 0, nullptr));
            if (!context_) {
                failed_ = std::make_exception_ptr(std::bad_alloc());
                return;
            }
            xmlCtxtUseOptions(context_.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        }
        // The rest of an answer that is no XML is not looked at.
        if (!context_->wellFormed || tooDeep_ || failed_) return;
        const std::string_view bytes(data, n);
        if (std::none_of(bytes.begin(), bytes.end(), forbiddenInXml)) {
            xmlParseChunk(context_.get(), data, static_cast<int>(n), 0);
            return;
        }
        const std::string readable = xmlReadable(std::string(bytes));
        xmlParseChunk(context_.get(), readable.data(), static_cast<int>(readable.size()), 0);
    }
    bool failed() const { return failed_ != nullptr; }
    Multistatus finish() {
        if (failed_) std::rethrow_exception(failed_);
        if (!context_) feed("", 0);
        if (context_->wellFormed && !tooDeep_) xmlParseChunk(context_.get(), nullptr, 0, 1);
        if (!context_->wellFormed || tooDeep_) throw NotXml("het antwoord van de server is geen XML");
        if (!multistatus_) throw DavError("het antwoord van de server is geen WebDAV-multistatus");
        return std::move(out_);
    }

private:
    // The element as "D:name" (DAV), "C:name" (CalDAV) or "CS:name"; others by name alone.
    static std::string nameOf(const xmlChar* local, const xmlChar* uri) {
        const char* ns = reinterpret_cast<const char*>(uri);
        const std::string name = reinterpret_cast<const char*>(local);
        if (ns && std::strcmp(ns, kDav) == 0) return "D:" + name;
        if (ns && std::strcmp(ns, kCalDav) == 0) return "C:" + name;
        if (ns && std::strcmp(ns, kCalendarServer) == 0) return "CS:" + name;
        return name;
    }
    bool within(std::initializer_list<const char*> path) const {
        if (open_.size() < path.size()) return false;
        return std::equal(path.begin(), path.end(), open_.end() - static_cast<std::ptrdiff_t>(path.size()));
    }
    static void start(void* self, const xmlChar* local, const xmlChar*, const xmlChar* uri, int, const xmlChar**, int,
                      int, const xmlChar**) {
        auto& r = *static_cast<MultistatusReader*>(self);
        // A multistatus is six elements deep; endless nesting is refused
        // here, as this libxml2 does not refuse it when pushed.
        if (r.open_.size() >= kMaxDepth) {
            r.tooDeep_ = true;
            xmlStopParser(r.context_.get());
            return;
        }
        r.open_.push_back(nameOf(local, uri));
        r.text_.clear();
        if (r.open_.size() == 1) r.multistatus_ = r.open_[0] == "D:multistatus";
        if (r.within({"D:multistatus", "D:response"})) r.entry_ = {};
        if (r.within({"D:response", "D:propstat"})) {
            r.found_ = {};
            r.propStatus_ = 0;
        }
        if (r.within({"D:prop", "D:resourcetype", "C:calendar"})) r.found_.calendar = true;
    }
    static void characters(void* self, const xmlChar* text, int n) {
        auto& r = *static_cast<MultistatusReader*>(self);
        if (r.text_.size() + static_cast<std::size_t>(n) > kMaxEvent) {
            r.found_.tooLarge = true;
            return;
        }
        r.text_.append(reinterpret_cast<const char*>(text), static_cast<std::size_t>(n));
    }
    static void end(void* self, const xmlChar*, const xmlChar*, const xmlChar*) {
        auto& r = *static_cast<MultistatusReader*>(self);
        if (r.tooDeep_) return;
        Multistatus::Entry& e = r.entry_;
        if (r.within({"D:multistatus", "D:sync-token"})) r.out_.token = withControls(r.text_);
        if (r.within({"D:response", "D:href"})) e.href = withControls(r.text_);
        if (r.within({"D:response", "D:status"})) e.status = statusOf(r.text_);
        if (r.within({"D:propstat", "D:status"})) r.propStatus_ = statusOf(r.text_);
        if (r.within({"D:prop", "D:getetag"})) r.found_.etag = withControls(r.text_);
        if (r.within({"D:prop", "CS:getctag"})) r.found_.ctag = withControls(r.text_);
        if (r.within({"D:prop", "C:calendar-data"})) r.found_.data = withControls(std::move(r.text_));
        if (r.within({"D:response", "D:propstat"}) && r.propStatus_ == 200) {
            if (!r.found_.etag.empty()) e.etag = std::move(r.found_.etag);
            if (!r.found_.data.empty()) e.data = std::move(r.found_.data);
            e.calendar = e.calendar || r.found_.calendar;
            if (!r.found_.ctag.empty()) e.ctag = std::move(r.found_.ctag);
            e.tooLarge = e.tooLarge || r.found_.tooLarge;
        }
        if (r.within({"D:multistatus", "D:response"})) {
            try {
                if (r.each_)
                    r.each_(e);
                else
                    r.out_.entries.push_back(std::move(e));
            } catch (...) {
                // Not through libxml2 and libcurl: kept, and thrown again
                // when the transfer has ended.
                r.failed_ = std::current_exception();
                xmlStopParser(r.context_.get());
            }
        }
        r.open_.pop_back();
        r.text_.clear();
    }

    xmlSAXHandler handler_{};
    std::unique_ptr<xmlParserCtxt, LibFree> context_;
    std::vector<std::string> open_;  // the elements open, outermost first
    std::string text_;               // the text of the innermost one
    Multistatus::Entry entry_;       // the response being read
    Multistatus::Entry found_;       // what its propstat being read holds
    long propStatus_ = 0;
    bool multistatus_ = false;
    bool tooDeep_ = false;
    static constexpr std::size_t kMaxDepth = 32;
    Multistatus out_;
    Each each_;
    std::exception_ptr failed_;
};

namespace {

size_t collectBody(char* data, size_t size, size_t n, void* into) {
    auto& response = *static_cast<CalDav::Response*>(into);
    // Refused past the limit: libcurl ends the transfer.
    response.received += size * n;
    if (response.received > response.limit) return 0;
    long status = 0;
    curl_easy_getinfo(static_cast<CURL*>(response.handle), CURLINFO_RESPONSE_CODE, &status);
    if (response.reader && status == 207) {
        try {
            response.reader->feed(data, size * n);
        } catch (...) {
            return 0;  // a parser that could not start: the reader tells
        }
        if (response.reader->failed()) return 0;
    }
    else
        response.body.append(data, size * n);
    return size * n;
}

void ignoreXmlError(void*, const char*, ...) {}

std::string lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// An address listed again counts once: where it was first listed. Marked
// first, then moved: the views point into strings that must not move yet.
void onceEach(DavListing& listing) {
    std::unordered_set<std::string_view> seen;
    seen.reserve(listing.items.size() + listing.removed.size());
    std::vector<bool> keepItem, keepRemoved;
    for (const auto& item : listing.items) keepItem.push_back(seen.insert(item.href).second);
    for (const auto& href : listing.removed) keepRemoved.push_back(seen.insert(href).second);
    seen = {};
    const auto compact = [](auto& list, const std::vector<bool>& keep) {
        std::size_t to = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!keep[i]) continue;
            if (to != i) list[to] = std::move(list[i]);
            ++to;
        }
        list.resize(to);
    };
    compact(listing.items, keepItem);
    compact(listing.removed, keepRemoved);
}

using Url = std::unique_ptr<CURLU, void (*)(CURLU*)>;

// A part of a URL, or nothing.
std::optional<std::string> urlPart(CURLU* url, CURLUPart which, unsigned flags = 0) {
    char* text = nullptr;
    if (curl_url_get(url, which, &text, flags) != CURLUE_OK) return std::nullopt;
    std::string out(text);
    curl_free(text);
    return out;
}

// The URL read, or relative to `base`; nothing when it is none.
Url parseUrl(const std::string& url, CURLU* base = nullptr) {
    Url u(base ? curl_url_dup(base) : curl_url(), curl_url_cleanup);
    if (!u) throw std::bad_alloc();
    const unsigned flags = CURLU_NON_SUPPORT_SCHEME | (base ? 0 : CURLU_GUESS_SCHEME);
    if (curl_url_set(u.get(), CURLUPART_URL, url.c_str(), flags) != CURLUE_OK) u.reset();
    return u;
}

}  // namespace

DavError::DavError(const std::string& message) : std::runtime_error(shownText(message)) {}

bool hasUserinfo(const std::string& url) {
    const auto parsed = parseUrl(url);
    return parsed && (urlPart(parsed.get(), CURLUPART_USER) || urlPart(parsed.get(), CURLUPART_PASSWORD));
}

// A href as a decoded path; a server may give a whole URL. One libcurl
// will not decode (a control character in it) stays as given.
std::string CalDav::localHref(const std::string& href) const {
    const auto parsed = parseUrl(href, url_.get());
    const auto path = parsed ? urlPart(parsed.get(), CURLUPART_PATH, CURLU_URLDECODE) : std::nullopt;
    return path.value_or(href);
}

// `path` on the collection's server, percent-encoded: the URL's path, or
// the whole URL when `whole`.
std::string CalDav::urlOf(const std::string& path, bool whole) const {
    const Url u(curl_url_dup(url_.get()), curl_url_cleanup);
    if (!u || curl_url_set(u.get(), CURLUPART_PATH, path.c_str(), CURLU_URLENCODE) != CURLUE_OK) throw std::bad_alloc();
    std::string out = urlPart(u.get(), whole ? CURLUPART_URL : CURLUPART_PATH).value_or("");
    // Escapes in capitals, as RFC 3986 asks: one address is one text.
    for (std::size_t i = out.find('%'); i != std::string::npos && i + 2 < out.size(); i = out.find('%', i + 1))
        for (std::size_t j = i + 1; j <= i + 2; ++j) out[j] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[j])));
    return out;
}

// libcurl's progress call, also while nothing arrives: non-zero ends the request.
static int askStopped(void* stopped, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return (*static_cast<const std::function<bool()>*>(stopped))() ? 1 : 0;
}

void CalDav::CurlFree::operator()(void* handle) const { curl_easy_cleanup(static_cast<CURL*>(handle)); }

CalDav::CalDav(const DavSettings& given)
    : maxTime_(given.maxTime), deadline_(std::chrono::steady_clock::now() + given.maxTime) {
    const DavSettings& settings = given;
    // Never sent as it is: the program refuses it before.
    if (hasUserinfo(settings.url)) throw DavError("het adres van de agenda mag geen gebruikersnaam of wachtwoord bevatten");
    auto parsed = parseUrl(settings.url);
    const auto host = parsed ? urlPart(parsed.get(), CURLUPART_HOST) : std::nullopt;
    const auto path = parsed ? urlPart(parsed.get(), CURLUPART_PATH, CURLU_URLDECODE) : std::nullopt;
    if (!host || !path) throw DavError("'" + settings.url + "' is geen bruikbaar adres van een agenda");
    const auto port = urlPart(parsed.get(), CURLUPART_PORT);
    origin_ = urlPart(parsed.get(), CURLUPART_SCHEME).value_or("http") + "://" + *host + (port ? ":" + *port : "");
    curl_url_set(parsed.get(), CURLUPART_QUERY, nullptr, 0);
    curl_url_set(parsed.get(), CURLUPART_FRAGMENT, nullptr, 0);
    url_ = std::move(parsed);
    collection_ = *path;
    // One collection, however its address is written.
    if (collection_.empty() || collection_.back() != '/') collection_ += '/';

    // libxml2 would print some errors (a text node too large) in English on
    // standard error, whatever the parse options say; ours say it in Dutch.
    static const bool silenced = [] {
        xmlSetGenericErrorFunc(nullptr, ignoreXmlError);
        return true;
    }();
    (void)silenced;
    static const CURLcode started = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (started != CURLE_OK) throw DavError("HTTP kan niet beginnen (libcurl)");
    curl_.reset(curl_easy_init());
    if (!curl_) throw DavError("HTTP kan niet beginnen (libcurl)");
    CURL* h = curl_.get();
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 20L);
    // A server that stops answering for a minute counts as unreachable.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    // Windows' TLS layer refuses a certificate whose revocation it cannot
    // look up, as with a private authority that publishes no list; one
    // known to be revoked is still refused. Other TLS layers ignore this.
    curl_easy_setopt(h, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    if (!settings.caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, settings.caFile.c_str());
    if (!settings.user.empty()) {
        withUser_ = true;
        curl_easy_setopt(h, CURLOPT_USERNAME, settings.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, settings.password.value_or("").c_str());
        // Whichever of the two the server offers; libcurl asks once per
        // connection and keeps to what it found.
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_BASIC | CURLAUTH_DIGEST);
    }
    curl_easy_setopt(h, CURLOPT_USERAGENT, "jotanor-cli/" JOTANOR_VERSION);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collectBody);
    if (settings.stopped) {
        stopped_ = settings.stopped;
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, askStopped);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &stopped_);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    }
}

std::unique_ptr<CalendarServer> calDavServer(const DavSettings& settings) { return std::make_unique<CalDav>(settings); }

std::string CalDav::address() const { return urlOf(collection_, true); }

std::string CalDav::hrefFor(const std::string& uid) const {
    return collection_ + uid + ".ics";
}

CalDav::Response CalDav::request(const std::string& method, const std::string& href, const std::string& body,
                                 const std::vector<std::string>& headers, bool reportRefusal,
                                 MultistatusReader* reader) {
    CURL* h = curl_.get();
    Response response;
    response.limit = kMaxAnswer;
    response.reader = reader;
    response.handle = h;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) outOfTime();
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(std::min<std::chrono::milliseconds>(left, kRequestTime).count()));
    const std::string url = urlOf(href, true);
    std::unique_ptr<curl_slist, LibFree> list;
    const auto append = [&](const char* header) {
        // The same list comes back, or the first node of a new one.
        curl_slist* head = curl_slist_append(list.get(), header);
        if (!head) throw std::bad_alloc();
        if (!list) list.reset(head);
    };
    for (const auto& header : headers) append(header.c_str());
    append("Expect:");
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    if (body.empty()) {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);  // no body, and no body's headers
    } else {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &response);
    ++requests_;
    const CURLcode code = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    switch (code) {
    case CURLE_OK: break;
    case CURLE_PEER_FAILED_VERIFICATION:
        throw DavError("het certificaat van " + origin_ + " wordt geweigerd: het is niet ondertekend door een "
                       "bekende certificaatautoriteit, of het hoort bij een andere naam of is verlopen. Geef met "
                       "--ca-file de eigen certificaatautoriteit van de server, als die er is");
    case CURLE_SSL_CACERT_BADFILE:
        throw DavError("de certificaatautoriteit (--ca-file) kan niet gelezen worden: geen leesbaar PEM-bestand");
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CONNECT_ERROR:
        // Which step failed only the library knows: its words follow.
        throw DavError("de beveiligde verbinding met " + origin_ + " mislukte; misschien wordt het certificaat "
                       "geweigerd (" + curl_easy_strerror(code) + ")");
    case CURLE_OPERATION_TIMEDOUT: {
        // libcurl's clock may stop a few milliseconds before ours.
        if (std::chrono::steady_clock::now() + std::chrono::seconds(1) >= deadline_) outOfTime();
        curl_off_t connected = 0;
        curl_easy_getinfo(h, CURLINFO_CONNECT_TIME_T, &connected);
        if (connected == 0) unreachable(code);
        throw DavError("de server " + origin_ + " antwoordde te traag op " + method + " " + url +
                       ": na " + std::to_string(kRequestTime.count()) +
                       " seconden geen volledig antwoord, of een minuut lang niets; de sync is gestopt");
    }
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT: unreachable(code);
    case CURLE_ABORTED_BY_CALLBACK: throw DavStopped("gestopt");
    case CURLE_WRITE_ERROR:
        if (reader && reader->failed()) reader->finish();  // what stopped the reading
        throw AnswerTooLarge("het antwoord van de server op " + method + " " + url + " is groter dan " +
                             std::to_string(response.limit >> 20) + " MB; de sync is gestopt");
    default: throw DavError(method + " " + url + " mislukte: " + curl_easy_strerror(code));
    }
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &response.status);
    // The headers of the last answer (the one after a 401 that asked for
    // the credentials); `schemes` the ones a 401 offers, each a lowercase
    // word and a blank.
    std::string location, schemes;
    for (curl_header* header = nullptr; (header = curl_easy_nextheader(h, CURLH_HEADER, -1, header));) {
        const std::string name = lowercase(header->name), value = header->value;
        if (name == "etag") response.etag = value;
        if (name == "location") location = value;
        if (name == "www-authenticate") schemes += lowercase(value.substr(0, value.find(' '))) + " ";
    }
    if (response.status == 401) unauthorized(schemes);
    if (response.status == 403 && !reportRefusal) forbidden(href);
    if (response.status >= 300 && response.status < 400 && !location.empty()) {
        // Where it points, without user information.
        const auto to = parseUrl(location, parseUrl(url).get());
        if (to) {
            curl_url_set(to.get(), CURLUPART_USER, nullptr, 0);
            curl_url_set(to.get(), CURLUPART_PASSWORD, nullptr, 0);
        }
        // One libcurl will not read (a control character in it) is shown as given.
        const std::string shown = to ? urlPart(to.get(), CURLUPART_URL).value_or(location)
                                     : (location.starts_with("/") ? origin_ : "") + location;
        throw DavError("de server verwijst " + url + " door naar " + shown + " (" + std::to_string(response.status) +
                       "); geef dat adres");
    }
    return response;
}

void CalDav::unreachable(int code) const {
    const std::string server = "de server " + origin_ + " is niet bereikbaar: ";
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        throw DavError(server + "de naam is niet gevonden. Klopt het adres, en is er een internetverbinding?");
    case CURLE_COULDNT_RESOLVE_PROXY:
        throw DavError(server + "de naam van de proxyserver is niet gevonden. Klopt de proxy-instelling?");
    case CURLE_COULDNT_CONNECT:
        throw DavError(server + "hij weigert de verbinding. Klopt de poort in het adres, en draait de server?");
    case CURLE_OPERATION_TIMEDOUT:
        throw DavError(server + "binnen 20 seconden kwam er geen verbinding. Staat de server aan, en laat de "
                                "firewall hem door?");
    default: throw DavError(server + curl_easy_strerror(static_cast<CURLcode>(code)));
    }
}

void CalDav::outOfTime() const {
    throw DavError("de sync duurde langer dan " + std::to_string(maxTime_.count()) +
                   " seconden en is gestopt; wat al gedaan is, blijft, en de volgende sync gaat verder");
}

void CalDav::unauthorized(const std::string& schemes) const {
    if (!withUser_) throw DavError("de server vraagt om een gebruikersnaam en wachtwoord (401): geef --user");
    if (!schemes.empty() && schemes.find("basic ") == std::string::npos && schemes.find("digest ") == std::string::npos)
        throw DavError("de server vraagt om aanmelding met " + schemes.substr(0, schemes.size() - 1) +
                       ", wat jotanor-cli niet kan; alleen Basic en Digest (401)");
    throw DavAccessDenied("de server weigert de toegang: gebruikersnaam of wachtwoord klopt niet (401)");
}

CalDav::Response CalDav::requestOk(const std::string& method, const std::string& href, const std::string& body,
                                   const std::vector<std::string>& headers, MultistatusReader* reader) {
    Response response = request(method, href, body, headers, false, reader);
    if (response.status < 200 || response.status > 299) refused(method, href, response.status);
    return response;
}

void CalDav::forbidden(const std::string& href) const {
    throw DavError("de server weigert de toegang tot " + urlOf(href, true) + " (403)");
}

void CalDav::refused(const std::string& method, const std::string& href, long status) const {
    const std::string said = "de server antwoordt " + std::to_string(status) + " op " + method + " " + urlOf(href, true);
    // One write the server will not take; a request it did not understand
    // at all, or a server that is too busy, is for the whole sync.
    if ((method == "PUT" || method == "DELETE") && status >= 400 && status != 407 && status != 408 && status != 429)
        throw DavRefused(said, status);
    throw DavError(said);
}

CalDav::Response CalDav::propfind(const char* depth, const char* properties, MultistatusReader& reader) {
    return request("PROPFIND", collection_,
                   std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>") +
                       properties + "</d:prop></d:propfind>",
                   {std::string("Depth: ") + depth, "Content-Type: application/xml; charset=utf-8"}, false, &reader);
}

std::string CalDav::checkCalendar() {
    MultistatusReader reader;
    // Only the ctag: radicale takes twice as long again for the sync-token
    // property, and each is most of a second on a big collection.
    const Response response =
        propfind("0", "<d:resourcetype/><cs:getctag xmlns:cs=\"http://calendarserver.org/ns/\"/>", reader);
    const std::string notCalendar = address() + " is geen CalDAV-agenda";
    if (response.status != 207) throw DavError(notCalendar + " (" + std::to_string(response.status) + ")");
    const Multistatus answer = reader.finish();
    if (answer.entries.empty() || !answer.entries.front().calendar) throw DavError(notCalendar);
    return answer.entries.front().ctag;
}

DavListing CalDav::changesSince(const std::string& token) {
    if (!syncCollection_) return fullListing();
    DavListing listing;
    MultistatusReader reader([&](Multistatus::Entry& entry) {
        std::string href = localHref(entry.href);
        if (href == collection_) return;
        if (entry.status == 404)
            listing.removed.push_back(std::move(href));
        else
            listing.items.push_back({std::move(href), std::move(entry.etag), {}, {}});
    });
    const Response response =
        request("REPORT", collection_,
                "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                    xmlEscape(token) +
                    "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop></d:sync-collection>",
                {"Content-Type: application/xml; charset=utf-8"}, true, &reader);
    if (response.status != 207) {
        // A token the server forgot: start from everything.
        if (!token.empty() && response.body.find("valid-sync-token") != std::string::npos) return changesSince("");
        if (response.status == 403 && response.body.find("supported-report") == std::string::npos) forbidden(collection_);
        syncCollection_ = false;  // the server does not offer it: compare ETags
        return fullListing();
    }
    listing.token = reader.finish().token;
    listing.complete = token.empty();
    onceEach(listing);
    return listing;
}

DavListing CalDav::fullListing() {
    DavListing listing;
    MultistatusReader reader([&](Multistatus::Entry& entry) {
        std::string href = localHref(entry.href);
        if (href != collection_ && !href.ends_with("/")) listing.items.push_back({std::move(href), std::move(entry.etag), {}, {}});
    });
    const Response response = propfind("1", "<d:getetag/><d:resourcetype/>", reader);
    if (response.status != 207) refused("PROPFIND", collection_, response.status);
    reader.finish();
    listing.complete = true;
    onceEach(listing);
    return listing;
}

void CalDav::fetch(const std::vector<std::string>& hrefs, const std::function<void(DavItem&)>& each,
                   const std::function<void(std::size_t, std::size_t)>& done) {
    std::vector<std::string> batch;
    std::unordered_set<std::string_view> seen;  // each address fetched once
    for (std::size_t i = 0; i < hrefs.size(); ++i) {
        if (seen.insert(hrefs[i]).second) batch.push_back(hrefs[i]);
        if (batch.size() == kFetchBatch || (i + 1 == hrefs.size() && !batch.empty())) {
            fetchBatch(batch, each);
            batch.clear();
            if (done) done(i + 1, hrefs.size());
        }
    }
}

void CalDav::fetchBatch(const std::vector<std::string>& hrefs, const std::function<void(DavItem&)>& each) {
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
        "<c:calendar-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
        "<d:prop><d:getetag/><c:calendar-data/></d:prop>";
    for (const auto& href : hrefs) body += "<d:href>" + xmlEscape(urlOf(href, false)) + "</d:href>";
    body += "</c:calendar-multiget>";
    Multistatus answer;
    std::size_t size = kMaxAnswer + 1;
    try {
        MultistatusReader reader;
        const Response response = requestOk("REPORT", collection_, body,
                                            {"Depth: 1", "Content-Type: application/xml; charset=utf-8"}, &reader);
        size = response.received;
        answer = reader.finish();
    } catch (const DavError& e) {
        if (!dynamic_cast<const AnswerTooLarge*>(&e) && !dynamic_cast<const NotXml*>(&e)) throw;
        // One event the answer cannot carry: the others one by one, and
        // that one set aside with the reason.
        if (hrefs.size() > 1) {
            for (const auto& href : hrefs) fetchBatch({href}, each);
            return;
        }
        DavItem item{hrefs.front(), {}, {}, size > kMaxEvent ? "groter dan " + std::to_string(kMaxEvent >> 20) + " MB"
                                                             : "de server gaf het niet als leesbare XML"};
        each(item);
        return;
    }
    std::set<std::string> seen;
    for (auto& entry : answer.entries) {
        if (entry.status != 200 || (entry.data.empty() && !entry.tooLarge)) continue;
        DavItem item{localHref(entry.href), std::move(entry.etag), std::move(entry.data), {}};
        if (!seen.insert(item.href).second) continue;
        if (entry.tooLarge) {
            item.data.clear();
            item.problem = "groter dan " + std::to_string(kMaxEvent >> 20) + " MB";
        }
        each(item);
    }
}

std::optional<std::string> CalDav::put(const std::string& href, const std::string& calendar,
                                       const std::optional<std::string>& ifMatch) {
    const Response response =
        request("PUT", href, calendar,
                {"Content-Type: text/calendar; charset=utf-8", ifMatch ? "If-Match: " + *ifMatch : "If-None-Match: *"});
    if (response.status == 412) return std::nullopt;
    if (response.status < 200 || response.status > 299) refused("PUT", href, response.status);
    return response.etag;
}

bool CalDav::remove(const std::string& href, const std::string& etag) {
    const Response response = request("DELETE", href, "", {"If-Match: " + etag});
    if (response.status == 412) return false;
    if (response.status == 404) return true;
    if (response.status < 200 || response.status > 299) refused("DELETE", href, response.status);
    return true;
}

}  // namespace jotanor::sync
