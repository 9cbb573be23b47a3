// Owners for what libical hands out (a component tree, a string buffer and
// a recurrence iterator), and the few edits of a component the folder shares.
#pragma once

#include <libical/ical.h>

#include <cstdint>
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

// Removes every property of `kind` from `c`.
inline void removeAll(icalcomponent* c, icalproperty_kind kind) {
    while (icalproperty* p = icalcomponent_get_first_property(c, kind)) {
        icalcomponent_remove_property(c, p);
        icalproperty_free(p);
    }
}

// A date or date-time property moved on its own clock; its TZID stays.
inline void moveBy(icalcomponent* c, icalproperty_kind kind, std::int64_t seconds) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    if (!p || seconds == 0) return;
    icalvalue* value = icalproperty_get_value(p);
    icaltimetype t = icalvalue_get_datetimedate(value);
    icaltime_adjust(&t, static_cast<int>(seconds / 86400), 0, 0, t.is_date ? 0 : static_cast<int>(seconds % 86400));
    icalvalue_set_datetimedate(value, t);
}

}  // namespace jotanor::ics
