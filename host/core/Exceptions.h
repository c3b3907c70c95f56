#pragma once
// The host's exception hierarchy: every error of the system derives from Exception.
#include <stdexcept>
#include <string>
#include <string_view>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Msg) : std::runtime_error(Msg) {}
    std::string Message() const { return what(); }
};

// The arguments are class names, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define ZEL_DECLARE_EXCEPTION(Name, Base)                                   \
    class Name : public Base {                                              \
    public:                                                                 \
        explicit Name(const std::string& Msg) : Base(Msg) {}                \
    };
// NOLINTEND(bugprone-macro-parentheses)

ZEL_DECLARE_EXCEPTION(EInvalidGridOperation, Exception)
ZEL_DECLARE_EXCEPTION(EConvertError, Exception)
ZEL_DECLARE_EXCEPTION(EListError, Exception)
ZEL_DECLARE_EXCEPTION(EStringListError, EListError)
ZEL_DECLARE_EXCEPTION(EReadError, Exception)
ZEL_DECLARE_EXCEPTION(EWriteError, Exception)
ZEL_DECLARE_EXCEPTION(EInvalidCast, Exception)
ZEL_DECLARE_EXCEPTION(EInvalidOperation, Exception)
ZEL_DECLARE_EXCEPTION(EOutOfResources, Exception)
ZEL_DECLARE_EXCEPTION(EResNotFound, Exception)
ZEL_DECLARE_EXCEPTION(EOverflow, Exception)

#undef ZEL_DECLARE_EXCEPTION

// The host's list index error, raised by lists and collections for an index out of range.
[[noreturn]] void ListIndexError(int Index);

// Bytes from untrusted input made fit for a message: control characters, DEL and bytes that
// are not part of valid UTF-8 become \xNN; printable ASCII and valid UTF-8 text pass unchanged.
std::string PrintableText(std::string_view Bytes);
