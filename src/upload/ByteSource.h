#pragma once

#include <cstddef>

namespace bildheber {

// Where a reply's bytes come from: the TLS connection, or a buffer in tests and fuzzers.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer`; returns 0 once the peer has closed the stream.
    // Throws UploadError on a broken connection or a time-out.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
};

}  // namespace bildheber
