#include "common/text_escape.h"

namespace ostrilo::sim {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string EscapeText(std::string_view raw) {
    std::string escaped;
    escaped.reserve(raw.size());
    for (char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\r': escaped += "\\r"; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\\': escaped += "\\\\"; break;
        case '"': escaped += "\\\""; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                escaped += "\\x";
                escaped += kHexDigits[byte >> 4];
                escaped += kHexDigits[byte & 0x0F];
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

std::string UnescapeText(std::string_view escaped) {
    std::string raw;
    raw.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        const char next = i + 1 < escaped.size() ? escaped[i + 1] : '\0';
        if (c != '\\' || i + 1 >= escaped.size()) {
            raw += c;
            continue;
        }
        switch (next) {
        case 'r': raw += '\r'; ++i; break;
        case 'n': raw += '\n'; ++i; break;
        case 't': raw += '\t'; ++i; break;
        case '\\': raw += '\\'; ++i; break;
        case '"': raw += '"'; ++i; break;
        case 'x': {
            const int high = i + 2 < escaped.size() ? HexValue(escaped[i + 2]) : -1;
            const int low = i + 3 < escaped.size() ? HexValue(escaped[i + 3]) : -1;
            if (high < 0 || low < 0) {
                raw += c;
                break;
            }
            raw += static_cast<char>(high * 16 + low);
            i += 3;
            break;
        }
        default: raw += c;
        }
    }
    return raw;
}

std::string QuotedText(std::string_view raw) { return '"' + EscapeText(raw) + '"'; }

}  // namespace ostrilo::sim
