// A stand-in for the USB bridge library: the six exports over scripted state, plus test
// hooks (FakeUbrix_*) that the tests bind from the same loaded file. Built a second time
// without GetUSBOpened to stand for a bad library.
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "usbbridge/ubrix.h"

namespace {

struct State {
    int initCode = 0;
    int openedAfterSend = 1;
    int closeResult = 0;
    int opened = 0;
    std::deque<std::string> takes;  // one entry per Get_USB_Packet call; "" = nothing pending
    int takeCalls = 0;
    std::string calls;              // every call but the takes, in order
    std::string packet;             // the last packet's text
    int packetSize = 0;
    bool packetTerminated = false;
};

// Not std::to_string: its digit table is a GNU unique symbol, which would pin the
// library in memory and hide whether the client really released it.
std::string Num(long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "%ld", value);
    return text;
}

State& state()
{
    static State s;
    return s;
}

} // namespace

extern "C" {

UBRIX_API int UBRIX_CALL USB_COM_Init(unsigned char D, unsigned char DL, const char* F)
{
    State& s = state();
    s.calls += "Init(" + Num(D) + "," + Num(DL) + "," + (F ? F : "null") + ");";
    s.opened = s.initCode == 0 ? 1 : 0;
    return s.initCode;
}

UBRIX_API int UBRIX_CALL USB_COM_Close(int keep)
{
    State& s = state();
    s.calls += "Close(" + Num(keep) + ");";
    s.opened = 0;
    return s.closeResult;
}

UBRIX_API int UBRIX_CALL Send_USB_Packet(char* buf, int size)
{
    State& s = state();
    s.packet = buf;
    s.packetSize = size;
    s.packetTerminated = std::memchr(buf, 0, static_cast<std::size_t>(size)) != nullptr;
    s.calls += "Send(" + Num(std::strlen(buf)) + "," + Num(size) + ");";
    s.opened = s.openedAfterSend;
    return 0;
}

UBRIX_API int UBRIX_CALL Get_USB_Packet(char* buf)
{
    State& s = state();
    ++s.takeCalls;
    if (s.takes.empty())
        return 0;
    const std::string chunk = s.takes.front();
    s.takes.pop_front();
    std::memcpy(buf, chunk.data(), chunk.size());
    return static_cast<int>(chunk.size());
}

UBRIX_API int UBRIX_CALL SetUSBRequest(int request)
{
    state().calls += "Request(" + Num(request) + ");";
    return request;
}

#ifndef FAKE_UBRIX_WITHOUT_OPENED
UBRIX_API int UBRIX_CALL GetUSBOpened(void)
{
    state().calls += "Opened;";
    return state().opened;
}
#endif

// ---- test hooks ----

UBRIX_API void FakeUbrix_Reset(int initCode, int openedAfterSend, int closeResult)
{
    state() = State{};
    state().initCode = initCode;
    state().openedAfterSend = openedAfterSend;
    state().closeResult = closeResult;
}

UBRIX_API void FakeUbrix_QueueTake(const char* bytes, int count)
{
    state().takes.emplace_back(bytes, static_cast<std::size_t>(count));
}

UBRIX_API const char* FakeUbrix_Calls() { return state().calls.c_str(); }
UBRIX_API int FakeUbrix_TakeCalls() { return state().takeCalls; }
UBRIX_API const char* FakeUbrix_Packet() { return state().packet.c_str(); }
UBRIX_API int FakeUbrix_PacketTerminated() { return state().packetTerminated ? 1 : 0; }

} // extern "C"
