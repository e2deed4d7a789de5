#pragma once
#include <stdexcept>

/// A command line, parameter setting or plug-in problem that ends the run
/// with exit status 2 before anything is cooked or written.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
