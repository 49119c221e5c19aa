#include "platform/SerialPort.h"

#include "platform/OpenSecurity_win32.h"
#include "platform/WaitHook.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace kovrin {

namespace {

// How long a cancelled transfer may take to end. A driver that never completes the cancel
// must not hold the caller (the window's thread) for ever.
constexpr DWORD kCancelBoundMs = 1000;

// Waits at most `limit` for `event`. With a wait hook on this thread the wait goes in
// slices, the hook between them, so the window's queue is read during a long transfer.
bool WaitForEvent(HANDLE event, Clock::Ms limit)
{
    if (!WaitHookInstalled())
        return WaitForSingleObject(event, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left =
            std::max(Clock::Ms(0), std::chrono::ceil<Clock::Ms>(end - std::chrono::steady_clock::now()));
        if (WaitForSingleObject(event, static_cast<DWORD>(std::min(left, kWaitHookSlice).count())) == WAIT_OBJECT_0)
            return true;
        if (left <= kWaitHookSlice)
            return false;
        RunWaitHook();
    }
}

// One overlapped transfer's record, event and bytes. The system writes to them until the
// transfer ends, so one whose cancel never ends is let go of, never freed, and the port
// takes no transfer after it.
struct Transfer {
    Transfer() : event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) { overlapped.hEvent = event; }
    ~Transfer()
    {
        if (event)
            CloseHandle(event);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    HANDLE event;
    OVERLAPPED overlapped{};
    std::vector<std::uint8_t> bytes;
};

class Win32SerialPort final : public SerialPort {
public:
    Win32SerialPort(HANDLE port, const SerialTimeouts& timeouts) : port_(port), timeouts_(timeouts) {}
    ~Win32SerialPort() override { CloseHandle(port_); }
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    bool Purge(unsigned& error) override
    {
        if (PurgeComm(port_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR))
            return true;
        error = GetLastError();
        return false;
    }

    SerialStatus Write(const std::uint8_t* data, std::size_t count, std::size_t& written, unsigned& error) override
    {
        written = 0;
        Transfer* t = Start(error);
        if (!t)
            return SerialStatus::Failed;
        t->bytes.assign(data, data + count);
        return Complete(WriteFile(port_, t->bytes.data(), static_cast<DWORD>(count), nullptr, &t->overlapped),
                        timeouts_.writeTotal, written, error);
    }

    SerialStatus Read(std::uint8_t* buffer, std::size_t expected, std::size_t& received, unsigned& error) override
    {
        received = 0;
        Transfer* t = Start(error);
        if (!t)
            return SerialStatus::Failed;
        t->bytes.assign(expected, 0);
        const SerialStatus status =
            Complete(ReadFile(port_, t->bytes.data(), static_cast<DWORD>(expected), nullptr, &t->overlapped),
                     timeouts_.readTotal, received, error);
        if (transfer_ && received > 0)
            std::copy(t->bytes.begin(), t->bytes.begin() + static_cast<std::ptrdiff_t>(received), buffer);
        if (status == SerialStatus::Failed || status == SerialStatus::ResultFailed)
            CancelIo(port_);
        return status;
    }

    void CancelWrite() override { CancelIo(port_); }

private:
    // The transfer record for the next transfer; nullptr once one was let go of.
    Transfer* Start(unsigned& error)
    {
        if (abandoned_ || (!transfer_ && !(transfer_ = std::make_unique<Transfer>())->event)) {
            error = abandoned_ ? ERROR_OPERATION_ABORTED : GetLastError();
            return nullptr;
        }
        transfer_->overlapped = OVERLAPPED{};
        transfer_->overlapped.hEvent = transfer_->event;
        ResetEvent(transfer_->event);
        return transfer_.get();
    }

    // Waits for the overlapped transfer started by `started`, at most `limit`. A transfer
    // that does not complete in time is cancelled, and the cancel waited for at most a
    // second; one that still has not ended is let go of with its record and bytes.
    SerialStatus Complete(BOOL started, Clock::Ms limit, std::size_t& moved, unsigned& error)
    {
        moved = 0;
        Transfer& t = *transfer_;
        if (!started && GetLastError() != ERROR_IO_PENDING) {
            error = GetLastError();
            return SerialStatus::Failed;
        }
        if (!started && !WaitForEvent(t.event, limit)) {
            error = WAIT_TIMEOUT;
            CancelIoEx(port_, &t.overlapped);
            if (WaitForSingleObject(t.event, kCancelBoundMs) != WAIT_OBJECT_0) {
                (void)transfer_.release();
                abandoned_ = true;
                return SerialStatus::TimedOut;
            }
            DWORD ignored = 0;
            GetOverlappedResult(port_, &t.overlapped, &ignored, FALSE);
            return SerialStatus::TimedOut;
        }
        DWORD n = 0;
        const BOOL completed = GetOverlappedResult(port_, &t.overlapped, &n, FALSE);
        moved = n;
        // A transfer ended by the port's own time-outs is a success with fewer bytes;
        // some serial drivers report it as ERROR_TIMEOUT all the same.
        if (completed || GetLastError() == ERROR_TIMEOUT)
            return SerialStatus::Done;
        error = GetLastError();
        return SerialStatus::ResultFailed;
    }

    HANDLE port_;
    SerialTimeouts timeouts_;
    std::unique_ptr<Transfer> transfer_;
    bool abandoned_ = false;
};

// The line settings whole, every field chosen here: a field left as the last program set
// it (XON/XOFF from a terminal program swallows the bytes 0x11 and 0x13; null stripping
// drops zero bytes; abort-on-error stops every transfer after one framing error) would
// reach the line.
DCB LineSettings(unsigned baud)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = baud;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;  // raised below, by hand
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 1;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;  // raised below, by hand
    dcb.fAbortOnError = 0;
    // Unused without XON/XOFF, but some drivers refuse equal characters or limits beyond
    // their buffers.
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    return dcb;
}

} // namespace

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& device, unsigned baud, unsigned& error, Clock&,
                                           const SerialTimeouts& timeouts)
{
    OpenSecurity security;
    HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, security.get(), OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    auto owner = std::make_unique<Win32SerialPort>(port, timeouts);

    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = static_cast<DWORD>(timeouts.readInterval.count());
    ct.ReadTotalTimeoutMultiplier = 1000;
    ct.ReadTotalTimeoutConstant = 1000;
    ct.WriteTotalTimeoutMultiplier = 100;
    ct.WriteTotalTimeoutConstant = 0;
    DCB now{};
    now.DCBlength = sizeof now;
    DCB dcb = LineSettings(baud);
    // GetCommState first: it tells a serial port from any other device.
    const bool ok = GetCommState(port, &now) && SetCommState(port, &dcb) && SetCommMask(port, 0x1F) &&
                    SetupComm(port, 4096, 4096) &&
                    PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) &&
                    SetCommTimeouts(port, &ct);
    if (!ok) {
        error = GetLastError();
        return nullptr;
    }
    EscapeCommFunction(port, SETRTS);
    EscapeCommFunction(port, SETDTR);
    return owner;
}

} // namespace kovrin
