// What a sync asks of a calendar server: its version, what changed since a
// token, the events at some addresses, and writes conditional on ETags.
// CalDav (CalDav.h) is the one over HTTP.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
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

// Where the server is and how to reach it.
struct DavSettings {
    std::string url;  // the calendar collection, with or without its last "/"
    std::string user;
    std::optional<std::string> password;
    std::string caFile;  // a private certificate authority (PEM), or empty
    // All the requests to one server together stop after this long.
    std::chrono::seconds maxTime{3600};
    // Asked at least once a second while a request waits: true ends the
    // request at once with DavStopped.
    std::function<bool()> stopped;
};

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

class CalendarServer {
public:
    virtual ~CalendarServer() = default;

    // The collection's address, however it was written ("/" at its end).
    virtual std::string address() const = 0;
    // Throws DavError when the address is no calendar collection. Returns
    // its version, which changes with every change in it, or "" when the
    // server gives none.
    virtual std::string checkCalendar() = 0;
    // What changed since `token`, or everything when it is empty or the
    // server no longer knows it.
    virtual DavListing changesSince(const std::string& token) = 0;
    // The events at these hrefs, each handed to `each` as it is read, or
    // with its problem when it cannot be read; one that is gone is left out.
    // `done`, when given, hears how many of the hrefs were answered.
    virtual void fetch(const std::vector<std::string>& hrefs, const std::function<void(DavItem&)>& each,
                       const std::function<void(std::size_t done, std::size_t total)>& done = {}) = 0;
    // The new ETag ("" when the server gave none); nothing when the
    // condition failed: the event changed, or (for a new one) exists.
    // Throws DavRefused when the server will not take this event.
    virtual std::optional<std::string> put(const std::string& href, const std::string& calendar,
                                           const std::optional<std::string>& ifMatch) = 0;
    // False when the event changed meanwhile; one already gone counts as
    // deleted. Throws DavRefused when the server will not delete it.
    virtual bool remove(const std::string& href, const std::string& etag) = 0;
    // Where an event with this UID goes in the collection.
    virtual std::string hrefFor(const std::string& uid) const = 0;
    // The requests made so far.
    virtual std::size_t requests() const = 0;
};

}  // namespace jotanor::sync
