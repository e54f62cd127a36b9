#include "delivery/hold_spool_format.h"

#include <algorithm>
#include <optional>

namespace ostrilo {
namespace {

constexpr char kHeldKind = 'M';
constexpr char kTakenKind = 'T';
constexpr std::size_t kValueDigits = 16;
constexpr std::size_t kLengthDigits = 8;
constexpr std::size_t kChecksumDigits = 8;
constexpr std::size_t kRecordHeadSize = 1 + kValueDigits + kLengthDigits + kChecksumDigits;
constexpr char kHexDigits[] = "0123456789abcdef";

std::uint32_t Crc32(std::string_view head, std::string_view payload) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::string_view part : {head, payload}) {
        for (const char byte : part) {
            crc ^= static_cast<unsigned char>(byte);
            for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void AppendHex(std::string& out, std::uint64_t value, std::size_t digits) {
    for (std::size_t shift = digits; shift-- > 0;) out += kHexDigits[(value >> (shift * 4)) & 0xF];
}

std::optional<std::uint64_t> ParseHex(std::string_view digits) {
    std::uint64_t value = 0;
    for (const char digit : digits) {
        const char* found = std::find(kHexDigits, kHexDigits + 16, digit);
        if (found == kHexDigits + 16) return std::nullopt;
        value = (value << 4) | static_cast<std::uint64_t>(found - kHexDigits);
    }
    return value;
}

std::string Record(char kind, std::uint64_t value, std::string_view payload) {
    std::string record(1, kind);
    AppendHex(record, value, kValueDigits);
    AppendHex(record, payload.size(), kLengthDigits);
    AppendHex(record, Crc32(record, payload), kChecksumDigits);
    record.append(payload);
    record += '\n';
    return record;
}

// Applies the record at the start of `rest` to `messages` and returns its size; 0 when
// the record is damaged or cut short.
std::size_t ApplyRecord(std::string_view rest, std::deque<HeldMessage>& messages) {
    if (rest.size() < kRecordHeadSize) return 0;
    const char kind = rest[0];
    const auto value = ParseHex(rest.substr(1, kValueDigits));
    const auto length = ParseHex(rest.substr(1 + kValueDigits, kLengthDigits));
    const auto checksum = ParseHex(rest.substr(1 + kValueDigits + kLengthDigits, kChecksumDigits));
    if (!value || !length || !checksum || *length > kLongestSpooledText) return 0;
    const std::size_t size = kRecordHeadSize + *length + 1;
    if (rest.size() < size || rest[size - 1] != '\n') return 0;
    const std::string_view payload = rest.substr(kRecordHeadSize, *length);
    if (Crc32(rest.substr(0, kRecordHeadSize - kChecksumDigits), payload) != *checksum) return 0;
    if (kind == kHeldKind) {
        messages.push_back({static_cast<std::int64_t>(*value), std::string(payload)});
    } else if (kind == kTakenKind) {
        messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(
                                                                std::min<std::uint64_t>(*value, messages.size())));
    } else {
        return 0;
    }
    return size;
}

// Records end with a line feed, so a record that survived the damage starts after one.
bool HasIntactRecordIn(std::string_view damaged) {
    std::deque<HeldMessage> scratch;
    for (std::size_t end = damaged.find('\n'); end != std::string_view::npos; end = damaged.find('\n', end + 1)) {
        if (ApplyRecord(damaged.substr(end + 1), scratch) != 0) return true;
    }
    return false;
}

}  // namespace

std::string HeldRecord(const HeldMessage& message) {
    return Record(kHeldKind, static_cast<std::uint64_t>(message.heldSince), message.text);
}

std::string TakenRecord(std::uint64_t count) { return Record(kTakenKind, count, {}); }

std::size_t HeldRecordSize(const HeldMessage& message) { return kRecordHeadSize + message.text.size() + 1; }

SpoolReading ReadSpool(std::string_view bytes) {
    SpoolReading reading;
    const std::string_view header = kSpoolHeader;
    if (bytes.substr(0, header.size()) != header.substr(0, bytes.size())) {
        reading.shape = SpoolReading::Shape::NotASpool;
        return reading;
    }
    // A header cut short is a file whose first write the power cut interrupted.
    if (bytes.size() < header.size()) {
        if (!bytes.empty()) reading.shape = SpoolReading::Shape::DamagedTail;
        return reading;
    }
    for (std::string_view rest = bytes.substr(header.size()); !rest.empty();) {
        const std::size_t used = ApplyRecord(rest, reading.messages);
        if (used == 0) {
            using Shape = SpoolReading::Shape;
            reading.shape = HasIntactRecordIn(rest) ? Shape::DamagedMiddle : Shape::DamagedTail;
            break;
        }
        rest.remove_prefix(used);
    }
    return reading;
}

}  // namespace ostrilo
