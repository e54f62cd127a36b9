#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "delivery/held_message.h"

namespace ostrilo {

// The spool file: a header line, then records appended in order. A record is
//   kind (1 byte) | value (16 hex) | payload length (8 hex) | CRC-32 (8 hex) | payload | '\n'
// where kind 'M' holds a message (value: held since) and kind 'T' says that `value`
// messages left the front of the hold. The checksum covers everything before it and
// the payload, so a record cut short or scrambled by a power cut is recognised.
inline constexpr char kSpoolHeader[] = "OSTRILO HOLD 1\n";
inline constexpr std::size_t kLongestSpooledText = 64 * 1024;

std::string HeldRecord(const HeldMessage& message);
std::string TakenRecord(std::uint64_t count);
std::size_t HeldRecordSize(const HeldMessage& message);

struct SpoolReading {
    // A damaged tail is a last write cut short; in the middle, intact records follow the damage.
    enum class Shape { Sound, DamagedTail, DamagedMiddle, NotASpool };
    Shape shape = Shape::Sound;
    std::deque<HeldMessage> messages;  // every record before the first damaged one
};

SpoolReading ReadSpool(std::string_view bytes);

}  // namespace ostrilo
