#pragma once

#include <stdexcept>

namespace wuvo {

// A reader error whose cause the job's log also gives in words: `reason` is
// a message with one %s, the file's path.
class ReaderRefusal : public std::logic_error {
public:
    ReaderRefusal(const char* box, const char16_t* reason) : std::logic_error(box), reason_(reason) {}
    const char16_t* Reason() const { return reason_; }

private:
    const char16_t* reason_;
};

}  // namespace wuvo
