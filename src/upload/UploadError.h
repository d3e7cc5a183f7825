#pragma once

#include <stdexcept>

namespace bildheber {

// Any failure of one upload attempt: network, TLS, HTTP status, malformed or oversized reply.
// The upload run turns it into the entry status "Error!"; its text is for logs and tests.
class UploadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace bildheber
