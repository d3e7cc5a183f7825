#include "imghost/HeaderParameters.h"

#include "imghost/AsciiText.h"
#include "imghost/BadRequest.h"

namespace bildheber::imghost {

namespace {

void skipBlanks(std::string_view& text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
}

std::string takeToken(std::string_view& text) {
    std::size_t length = 0;
    while (length < text.size() && isTokenChar(static_cast<unsigned char>(text[length]))) {
        ++length;
    }
    std::string token(text.substr(0, length));
    text.remove_prefix(length);
    return token;
}

// `text` starts just after the opening quote; on return it starts after the closing one.
std::string takeQuotedString(std::string_view& text) {
    std::string value;
    while (!text.empty()) {
        const char c = text.front();
        text.remove_prefix(1);
        if (c == '"') {
            return value;
        }
        if (c == '\\' && !text.empty()) {
            value += text.front();
            text.remove_prefix(1);
            continue;
        }
        value += c;
    }
    throw BadRequest("unterminated quoted string in a header parameter");
}

std::pair<std::string, std::string> takeParameter(std::string_view& text) {
    std::string name = toLowerAscii(takeToken(text));
    skipBlanks(text);
    if (name.empty() || text.empty() || text.front() != '=') {
        throw BadRequest("malformed header parameter");
    }
    text.remove_prefix(1);
    skipBlanks(text);
    if (!text.empty() && text.front() == '"') {
        text.remove_prefix(1);
        return {std::move(name), takeQuotedString(text)};
    }
    std::string value = takeToken(text);
    if (value.empty()) {
        throw BadRequest("malformed header parameter");
    }
    return {std::move(name), std::move(value)};
}

}  // namespace

std::optional<std::string> ParameterizedValue::parameter(std::string_view name) const {
    for (const auto& [key, value] : parameters) {
        if (equalsIgnoringAsciiCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

ParameterizedValue parseParameterizedValue(std::string_view text) {
    ParameterizedValue parsed;
    const std::size_t semicolon = text.find(';');
    parsed.value = trimBlanks(text.substr(0, semicolon));
    text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon);
    while (!text.empty()) {
        text.remove_prefix(1);  // the ";"
        skipBlanks(text);
        if (text.empty()) {
            break;  // a trailing ";" is harmless
        }
        auto parameter = takeParameter(text);
        if (parsed.parameter(parameter.first)) {
            throw BadRequest("repeated header parameter \"" + parameter.first + "\"");
        }
        parsed.parameters.push_back(std::move(parameter));
        skipBlanks(text);
        if (!text.empty() && text.front() != ';') {
            throw BadRequest("malformed header parameter");
        }
    }
    return parsed;
}

}  // namespace bildheber::imghost
