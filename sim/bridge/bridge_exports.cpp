// The exported entry points of the simulated Ostrilo.dll; all behaviour is in BridgeSimulator.

#include <type_traits>

#include "bridge/bridge_simulator.h"
#include "common/no_throw.h"
#include "common/win_file.h"
#include "win32/outside_libraries_abi.h"

namespace {

ostrilo::sim::BridgeSimulator& Bridge() {
    static ostrilo::sim::BridgeSimulator simulator(ostrilo::sim::OwnModuleFolder());
    return simulator;
}

}  // namespace

extern "C" {

std::int32_t OUTSIDE_CALL GetDLLVersion(void) {
    return ostrilo::sim::NoThrow<std::int32_t>(0, [] { return Bridge().GetDLLVersion(); });
}

std::int16_t OUTSIDE_CALL ConnectWinCCDMProc(void) {
    return ostrilo::sim::NoThrow<std::int16_t>(0, [] { return Bridge().ConnectWinCCDMProc(); });
}

std::int16_t OUTSIDE_CALL DisconnectWinCCDMProc(void) {
    return ostrilo::sim::NoThrow<std::int16_t>(0, [] { return Bridge().DisconnectWinCCDMProc(); });
}

std::int16_t OUTSIDE_CALL StartWinCCMsgService(void) {
    return ostrilo::sim::NoThrow<std::int16_t>(0, [] { return Bridge().StartWinCCMsgService(); });
}

std::int16_t OUTSIDE_CALL StopWinCCMsgService(void) {
    return ostrilo::sim::NoThrow<std::int16_t>(0, [] { return Bridge().StopWinCCMsgService(); });
}

std::int16_t OUTSIDE_CALL GetWinCCRuntimeProject(char* buffer, std::int16_t capacity) {
    return ostrilo::sim::NoThrow<std::int16_t>(0, [&] { return Bridge().GetWinCCRuntimeProject(buffer, capacity); });
}

std::int16_t OUTSIDE_CALL GetWinCCCmnError(std::int32_t* word1, std::int32_t* word2, std::int32_t* word3,
                                           std::int32_t* word4, std::int32_t* word5, char* buffer,
                                           std::int16_t capacity) {
    std::int32_t* words[5] = {word1, word2, word3, word4, word5};
    return ostrilo::sim::NoThrow<std::int16_t>(0, [&] { return Bridge().GetWinCCCmnError(words, buffer, capacity); });
}

std::int16_t OUTSIDE_CALL GetWinCCMsgServiceMessage(char* buffer, std::int16_t capacity, std::int16_t reserved) {
    return ostrilo::sim::NoThrow<std::int16_t>(
        0, [&] { return Bridge().GetWinCCMsgServiceMessage(buffer, capacity, reserved); });
}

}  // extern "C"

// The program binds these through the function types of the shared binary interface.
static_assert(std::is_same_v<decltype(&GetDLLVersion), GetDLLVersionFn>);
static_assert(std::is_same_v<decltype(&ConnectWinCCDMProc), ConnectWinCCDMProcFn>);
static_assert(std::is_same_v<decltype(&DisconnectWinCCDMProc), DisconnectWinCCDMProcFn>);
static_assert(std::is_same_v<decltype(&StartWinCCMsgService), StartWinCCMsgServiceFn>);
static_assert(std::is_same_v<decltype(&StopWinCCMsgService), StopWinCCMsgServiceFn>);
static_assert(std::is_same_v<decltype(&GetWinCCRuntimeProject), GetWinCCRuntimeProjectFn>);
static_assert(std::is_same_v<decltype(&GetWinCCCmnError), GetWinCCCmnErrorFn>);
static_assert(std::is_same_v<decltype(&GetWinCCMsgServiceMessage), GetWinCCMsgServiceMessageFn>);
