#ifndef QUORAX_COMMON_ERRORS_H_
#define QUORAX_COMMON_ERRORS_H_

#include <stdexcept>
#include <string>

namespace quorax {

// The raised errors of the system. Every failure that is not reported by a
// result code is one of these kinds; each carries a message a tester can read.
// The host answers input errors (all kinds but PlatformFailure) with status
// 400, a full spool with 507 and other platform failures with status 500.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A 16-bit count, position or sum left -32768..32767.
class Overflow : public Error {
 public:
  using Error::Error;
};

// An index or 1-based number outside the valid range of an array or collection.
class SubscriptOutOfRange : public Error {
 public:
  using Error::Error;
};

// A value that an operation cannot accept (malformed text, a bad conversion).
class InvalidArgument : public Error {
 public:
  using Error::Error;
};

// A keyed collection refused a key it already holds.
class DuplicateKey : public Error {
 public:
  using Error::Error;
};

// A keyed collection was asked for a key it does not hold.
class MissingKey : public Error {
 public:
  using Error::Error;
};

// Work that grows with a client's input was ended before its end: the run
// was cancelled, went over its time, or the server is stopping. The message
// says which, in words a tester can read.
class Stopped : public Error {
 public:
  using Error::Error;
};

// The host, the database or the file system failed.
class PlatformFailure : public Error {
 public:
  using Error::Error;
};

// The spool files (SpoolFile) have no room for more bytes now: their budget
// or the disk is full. Passes once files in progress are done.
class SpoolFull : public PlatformFailure {
 public:
  using PlatformFailure::PlatformFailure;
};

}  // namespace quorax

#endif  // QUORAX_COMMON_ERRORS_H_
