// Whatever a power cut or a stranger left in the spool file, reading it must not crash,
// and what it gives back must survive being written and read again unchanged.

#include <cstddef>
#include <cstdint>

#include "delivery/hold_spool_format.h"
#include "fuzz_check.h"

using namespace ostrilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const SpoolReading reading = ReadSpool(bytes);
    if (reading.shape == SpoolReading::Shape::NotASpool && !reading.messages.empty()) {
        fuzz::PropertyBroken("a file that is not a spool gives nothing back", bytes, __FILE__, __LINE__);
    }
    std::string rewritten = kSpoolHeader;
    for (const HeldMessage& message : reading.messages) rewritten += HeldRecord(message);
    const SpoolReading again = ReadSpool(rewritten);
    bool same = again.shape == SpoolReading::Shape::Sound && again.messages.size() == reading.messages.size();
    for (std::size_t i = 0; same && i < again.messages.size(); ++i) {
        same = again.messages[i].text == reading.messages[i].text &&
               again.messages[i].heldSince == reading.messages[i].heldSince;
    }
    if (!same) fuzz::PropertyBroken("messages read back survive a rewrite", bytes, __FILE__, __LINE__);
    return 0;
}
