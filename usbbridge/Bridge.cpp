#include "Bridge.h"

#include "Format.h"

#include <cstring>

namespace ubrix {

Bridge::Bridge(HidBackend& backend, Runtime& runtime, Trace::ConsoleWriter console)
    : backend_(backend), runtime_(runtime), trace_(std::move(console)) {}

Bridge::~Bridge() {
    stopReader();
    releaseDevices();
}

int Bridge::USB_COM_Init(unsigned char D, unsigned char DL, const char* F) {
    active_ = 1;
    opened_ = 0;
    trace_.configure(D, DL, F);
    trace_("\nUSB initialize - DLL... ");
    trace_(format("\nUSB debug parameters - D:%u,DL:%u,F:%s ", unsigned{D}, unsigned{DL}, trace_.path().c_str()));
    trace_("\n USB adapter searching ... \n");

    USB_COM_Close(1);

    if (!discovery_.FindKnownDevice(list_)) return status::kNoAdapter;
    selected_ = discovery_.selectAdapter(list_, true);
    if (!selected_) return status::kNoAdapter;
    opened_ = 1;

    if (!runtime_.createStopEvent()) return status::kEventFailed;
    stopAck_.emplace();

    const HidHandle handle = selected_->overlapped.get();
    const std::size_t inputLength = selected_->inputReportLength;
    pin_.emplace();
    if (!runtime_.startThread(reader_, [this, handle, inputLength](std::stop_token stop) {
            CommProc(stop, handle, inputLength);
        })) {
        pin_.reset();
        return status::kThreadFailed;
    }
    return status::kOk;
}

int Bridge::USB_COM_Close(int keep) {
    stopReader();
    releaseDevices();
    opened_ = 0;
    if (keep == 0) active_ = 0;
    return 0;
}

void Bridge::stopReader() {
    if (!reader_.joinable()) return;
    reader_.request_stop();
    // The stop also wakes the reader out of its read wait, so the acknowledgement comes
    // at once; the join makes sure it no longer touches the handles released next.
    if (stopAck_) stopAck_->waitFor(kIoTimeout);
    reader_.join();
    reader_ = std::jthread();
    pin_.reset();
}

void Bridge::releaseDevices() {
    selected_ = nullptr;
    discovery_.releaseList(list_);
    try {
        std::vector<HidDeviceRecord>().swap(list_.records);
    } catch (...) {
        trace_("\nA C++ exception was thrown.");
    }
}

void Bridge::CommProc(std::stop_token stop, HidHandle handle, std::size_t inputLength) {
    try {
        readLoop(stop, handle, inputLength);
    } catch (...) {
        // Nothing may escape the thread: that would end the client's process. The link
        // counts as closed, so the next send connects again and starts a reader; the
        // close still finds the thread ended and joins it.
        opened_ = 0;
        trace_("\nA C++ exception was thrown.");
        stopAck_->set();
    }
}

void Bridge::readLoop(std::stop_token stop, HidHandle handle, std::size_t inputLength) {
    runtime_.raiseCurrentThreadPriority();
    trace_("\nUSB: CommProc started ");
    const std::span<std::uint8_t> report(reportBuffer_.data(), inputLength);
    while (active_.load() == 1) {
        if (stop.stop_requested()) {
            stopAck_->set();
            return;
        }
        reportBuffer_.fill(0);
        if (opened_.load() == 0) {
            // Only while the write path re-initialises: wait for it instead of spinning.
            waitUnlessStopped(stop, kStepPause);
            continue;
        }
        const ReadResult result = backend_.readReport(handle, report, kIoTimeout, stop);
        if (result == ReadResult::StartFailed) {
            // A read that cannot start would end in a time-out; wait as long for the next.
            waitUnlessStopped(stop, kIoTimeout);
            continue;
        }
        if (result == ReadResult::Failed) {
            // The driver keeps only a few reports: read again soon, but never spin.
            waitUnlessStopped(stop, kFailedReadPause);
            continue;
        }
        if (result != ReadResult::Ok) continue;
        std::array<std::uint8_t, kMaxReportLength> data{};
        const std::size_t count = decodeInputReport(kind_.load(), report, data.data());
        pending_.append(data.data(), count);
    }
}

int Bridge::Get_USB_Packet(char* buf) {
    if (!buf) return 0;
    return static_cast<int>(pending_.take(reinterpret_cast<std::uint8_t*>(buf)));
}

int Bridge::SetUSBRequest(int request) {
    request_ = request;
    return request;
}

int Bridge::Send_USB_Packet(char* buf, int size) {
    if (!buf || size <= 0) return 0;
    const std::size_t capacity = static_cast<std::size_t>(size);
    const std::size_t length = strnlen(buf, capacity);
    const std::size_t padded = (length + kBytesPerStep - 1) / kBytesPerStep * kBytesPerStep;
    if (padded + 1 > capacity) {
        // Padding would run past the caller's buffer: send nothing rather than overrun it.
        trace_(format("\nUSB: Send_USB_Packet: packet of %zu bytes does not fit its buffer of %i ", length, size));
        return 0;
    }
    std::memset(buf + length, 0, padded + 1 - length);

    checkAttachment();

    if (opened_.load() == 0 || writeErrors_ >= kWriteErrorLimit) {
        trace_("\nUSB: Send_USB_Packet: try reopen USB connection ");
        const std::string path = trace_.path();
        USB_COM_Init(trace_.consoleSwitch(), trace_.fileSwitch(), path.c_str());
        writeErrors_ = 0;
    }

    if (opened_.load() != 0) writePacket(reinterpret_cast<const std::uint8_t*>(buf), padded);
    return 0;
}

void Bridge::checkAttachment() {
    if (opened_.load() == 0 || request_.load() == 0) return;
    trace_("\nUSB: Send_USB_Packet: USB_Opened & is_usb_request");
    if (opened_.load() != 1 || !selected_) return;
    discovery_.checkAttached(*selected_);
    trace_(" is still attached?");
    if (const auto adapter = findAdapter(selected_->attributes.vendorId, selected_->attributes.productId)) {
        kind_ = adapter->kind;
        trace_(" yes! ");
    } else {
        trace_(" no! ");
        opened_ = 0;
        request_ = 0;
    }
}

void Bridge::writePacket(const std::uint8_t* packet, std::size_t length) {
    const std::size_t steps = length / kBytesPerStep;
    trace_(format("\nUSB: Send_USB_Packet: WriteFile [%i] ... Step:", static_cast<int>(steps)));
    const HidHandle handle = selected_ ? selected_->overlapped.get() : kNoHandle;
    std::array<std::uint8_t, kMaxReportLength> report{};
    for (std::size_t i = 0; i < steps; ++i) {
        const std::span<const std::uint8_t, kBytesPerStep> data(packet + i * kBytesPerStep, kBytesPerStep);
        const std::size_t reportLength = encodeOutputReport(kind_.load(), data, report);
        const WriteResult result = backend_.writeReport(handle, std::span(report.data(), reportLength), kIoTimeout);
        switch (result.kind) {
        case WriteResult::WaitTimedOut:
        case WriteResult::WaitFailed:
            trace_(format("\nUSB Write Wait result: [%u]", result.kind == WriteResult::WaitTimedOut ? 258u : 0xFFFFFFFFu));
            ++writeErrors_;
            break;
        case WriteResult::Written:
            trace_(format("%i Writed:%i ", static_cast<int>(i), static_cast<int>(result.written)));
            writeErrors_ = 0;
            break;
        case WriteResult::ResultFailed:
            writeErrors_ = 0;
            break;
        case WriteResult::StartFailed:
            // Not a wait result: the system's own error code says why.
            trace_(format("\nUSB Error WriteFile: %u", static_cast<unsigned>(result.error)));
            ++writeErrors_;
            break;
        }
        runtime_.sleepFor(kStepPause);
    }
    trace_(" OK ");
}

} // namespace ubrix
