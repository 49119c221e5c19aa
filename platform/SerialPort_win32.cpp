#include "platform/SerialPort.h"

#include "platform/OpenSecurity_win32.h"

#include <windows.h>

#include <cstdlib>

namespace kovrin {

namespace {

class Win32SerialPort final : public SerialPort {
public:
    Win32SerialPort(HANDLE port, HANDLE event, const SerialTimeouts& timeouts)
        : port_(port), event_(event), timeouts_(timeouts)
    {
    }
    ~Win32SerialPort() override
    {
        CloseHandle(port_);
        CloseHandle(event_);
    }
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
        return Complete(WriteFile(port_, data, static_cast<DWORD>(count), nullptr, Overlapped()),
                        timeouts_.writeTotal, written, error);
    }

    SerialStatus Read(std::uint8_t* buffer, std::size_t expected, std::size_t& received, unsigned& error) override
    {
        const SerialStatus status = Complete(ReadFile(port_, buffer, static_cast<DWORD>(expected), nullptr, Overlapped()),
                                             timeouts_.readTotal, received, error);
        if (status == SerialStatus::Failed || status == SerialStatus::ResultFailed)
            CancelIo(port_);
        return status;
    }

    void CancelWrite() override { CancelIo(port_); }

private:
    OVERLAPPED* Overlapped()
    {
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = event_;
        return &overlapped_;
    }

    // Waits for the overlapped transfer started by `started`, at most `limit`. A transfer
    // that does not complete in time is cancelled and completed before it is reported, so
    // the buffer it uses is never written after the caller has moved on.
    SerialStatus Complete(BOOL started, Clock::Ms limit, std::size_t& moved, unsigned& error)
    {
        moved = 0;
        if (!started && GetLastError() != ERROR_IO_PENDING) {
            error = GetLastError();
            return SerialStatus::Failed;
        }
        if (!started && WaitForSingleObject(event_, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
            error = GetLastError();
            CancelIo(port_);
            DWORD ignored = 0;
            GetOverlappedResult(port_, &overlapped_, &ignored, TRUE);
            return SerialStatus::TimedOut;
        }
        DWORD n = 0;
        const BOOL completed = GetOverlappedResult(port_, &overlapped_, &n, TRUE);
        moved = n;
        // A transfer ended by the port's own time-outs is a success with fewer bytes;
        // some serial drivers report it as ERROR_TIMEOUT all the same.
        if (completed || GetLastError() == ERROR_TIMEOUT)
            return SerialStatus::Done;
        error = GetLastError();
        return SerialStatus::ResultFailed;
    }

    HANDLE port_;
    HANDLE event_;
    SerialTimeouts timeouts_;
    OVERLAPPED overlapped_{};
};

} // namespace

std::string SerialDevicePath(const std::string& portName)
{
    if (portName.size() == 4 && portName.compare(0, 3, "COM") == 0 && portName[3] >= '1' && portName[3] <= '8') {
        const std::string variable = "KOVRIN_" + portName;
        if (const char* device = std::getenv(variable.c_str()); device && *device)
            return device;
    }
    return portName;
}

std::unique_ptr<SerialPort> OpenSerialPort(const std::string& device, unsigned baud, unsigned& error, Clock&,
                                           const SerialTimeouts& timeouts)
{
    OpenSecurity security;
    HANDLE event = CreateEventA(security.get(), FALSE, TRUE, nullptr);
    if (!event) {
        error = GetLastError();
        return nullptr;
    }
    HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, security.get(), OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        CloseHandle(event);
        return nullptr;
    }
    auto owner = std::make_unique<Win32SerialPort>(port, event, timeouts);

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = static_cast<DWORD>(timeouts.readInterval.count());
    ct.ReadTotalTimeoutMultiplier = 1000;
    ct.ReadTotalTimeoutConstant = 1000;
    ct.WriteTotalTimeoutMultiplier = 100;
    ct.WriteTotalTimeoutConstant = 0;
    bool ok = GetCommState(port, &dcb);
    if (ok) {
        dcb.BaudRate = baud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = 1;
        dcb.fParity = 1;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDtrControl = DTR_CONTROL_DISABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        ok = SetCommState(port, &dcb) && SetCommMask(port, 0x1F) && SetupComm(port, 4096, 4096) &&
             PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR) &&
             SetCommTimeouts(port, &ct);
    }
    if (!ok) {
        error = GetLastError();
        return nullptr;
    }
    EscapeCommFunction(port, SETRTS);
    EscapeCommFunction(port, SETDTR);
    return owner;
}

} // namespace kovrin
