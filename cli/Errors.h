// How a command fails: the exit statuses of tvq and the errors that carry a message to them.
#pragma once

#include <stdexcept>

namespace tvqcli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // a file could not be read or written
inline constexpr int kExitUsage = 2;    // bad usage or bad input

// Bad arguments: the message, then the command's usage line, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Input that is well-formed but unusable (bad field in JSON, bad CSV row): printed as is, exit status 2.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Standard output, or a file of tvq's own (what tvq remind has announced), could not be written: exit status 1.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A library that only some commands load could not be loaded (libical for iCalendar): exit status 1.
class MissingLibraryError : public OutputError {
 public:
  using OutputError::OutputError;
};

}  // namespace tvqcli
