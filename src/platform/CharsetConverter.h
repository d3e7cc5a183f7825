#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bildheber {

// A conversion between two charsets by name (iconv), closed with its owner.
class CharsetConverter {
  public:
    // Names as iconv takes them ("UTF-8", "WINDOWS-1252//TRANSLIT"); see isOpen.
    CharsetConverter(const char* toCharset, const char* fromCharset);
    ~CharsetConverter();
    CharsetConverter(const CharsetConverter&) = delete;
    CharsetConverter& operator=(const CharsetConverter&) = delete;

    // False when the system has no conversion between the two charsets.
    bool isOpen() const;

    // Converts all of `bytes`. A sequence that is invalid in the source charset, cut off by the
    // end of the input, or has no form in the target becomes `replacement`, and the conversion
    // resumes one byte further on. Call only when isOpen().
    std::string convert(std::string_view bytes, std::string_view replacement);

  private:
    struct Step {
        std::size_t consumed;
        bool stuck;  // at a sequence that cannot be converted
    };
    Step convertStep(std::string_view input, std::string& out);
    void flush(std::string& out);

    void* handle_;  // iconv_t
    std::vector<char> buffer_ = std::vector<char>(8192);
};

}  // namespace bildheber
