// Owners for what libical hands out: a component tree, a string buffer and
// a recurrence iterator.
#pragma once

#include <libical/ical.h>

#include <memory>
#include <string_view>

namespace jotanor::ics {

struct IcalFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
    void operator()(icalrecur_iterator* it) const { icalrecur_iterator_free(it); }
};
using IcalPtr = std::unique_ptr<icalcomponent, IcalFree>;
using RecurIterator = std::unique_ptr<icalrecur_iterator, IcalFree>;

class IcalText {
public:
    explicit IcalText(char* text) : text_(text) {}
    ~IcalText() { icalmemory_free_buffer(text_); }
    IcalText(const IcalText&) = delete;
    IcalText& operator=(const IcalText&) = delete;
    std::string_view view() const { return text_ ? std::string_view(text_) : std::string_view(); }

private:
    char* text_;
};

}  // namespace jotanor::ics
