#pragma once

// Binary interface of the three outside libraries: Ostrilo.dll (WinCC bridge) and the
// Halvex client libraries Halvex2.dll / Halvex3.dll. On x86 every function is
// __stdcall with an undecorated export name; on x64 there is one calling convention.

#include <cstdint>

#if defined(_M_IX86) || defined(__i386__)
#define OUTSIDE_CALL __stdcall
#else
#define OUTSIDE_CALL
#endif

extern "C" {
// Ostrilo.dll
typedef std::int32_t(OUTSIDE_CALL* GetDLLVersionFn)(void);
typedef std::int16_t(OUTSIDE_CALL* ConnectWinCCDMProcFn)(void);
typedef std::int16_t(OUTSIDE_CALL* DisconnectWinCCDMProcFn)(void);
typedef std::int16_t(OUTSIDE_CALL* StartWinCCMsgServiceFn)(void);
typedef std::int16_t(OUTSIDE_CALL* StopWinCCMsgServiceFn)(void);
typedef std::int16_t(OUTSIDE_CALL* GetWinCCRuntimeProjectFn)(char* buffer, std::int16_t capacity);
typedef std::int16_t(OUTSIDE_CALL* GetWinCCCmnErrorFn)(std::int32_t* word1, std::int32_t* word2,
                                                        std::int32_t* word3, std::int32_t* word4,
                                                        std::int32_t* word5, char* buffer,
                                                        std::int16_t capacity);
typedef std::int16_t(OUTSIDE_CALL* GetWinCCMsgServiceMessageFn)(char* buffer, std::int16_t capacity,
                                                                 std::int16_t reserved);
// Halvex2.dll, Halvex3.dll
typedef std::int32_t(OUTSIDE_CALL* GetRunningAppsFn)(std::int32_t which);
typedef std::int32_t(OUTSIDE_CALL* SetCommandEntryFn)(const char* command, std::int32_t flags);
}
