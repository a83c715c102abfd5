#pragma once

#include <stdexcept>
#include <string>

namespace dravik {

// The run-time errors that end the game: none of them can arise with the level
// as built, but every check that could raise one stays in place.
enum class FaultKind {
    Overflow,      // a 16-bit or 32-bit integer out of range
    FloatFault,    // a position sum that is not a finite number
    TypeMismatch,  // a counter caption that is not a number
    BadControl,    // a control group member that does not exist
};

class FatalError : public std::runtime_error {
public:
    FatalError(FaultKind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
    FaultKind kind() const { return kind_; }

private:
    FaultKind kind_;
};

}  // namespace dravik
