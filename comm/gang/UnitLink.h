#pragma once
// What a gang worker asks of one switch, over whichever comm operations carry it. The
// runner sees only this, so it can be driven by a scripted unit in a test.
#include "comm/ChangedUpload.h"
#include "comm/Transfer.h"
#include "config/ConfigRecord.h"
#include "platform/Clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kovrin::gang {

using Pause = WordPause;

class UnitLink {
public:
    virtual ~UnitLink() = default;
    // Opens the port; on failure the message the window shows, and the system's reason.
    virtual bool Open(std::string& message) = 0;
    virtual void Close() = 0;
    // The identification request alone: does a switch answer on the port, and which one
    // (its ATS code as the switch holds it, padding dropped)?
    virtual bool Probe(std::string& code) = 0;
    // Identification, nominal data and words 0..15 into `state`.
    virtual TransferFailure ReadState(ConfigRecord& state, const WordDone& wordDone) = 0;
    // Keeps the state read in the archive (never fails the unit): where it was kept, or
    // why it was not (both empty when the archive is off).
    struct Kept {
        std::string path;
        std::string error;
    };
    virtual Kept Archive(const ConfigRecord& state) = 0;
    // Writes the words of `target` that differ from `state`, each after the upload's
    // pause; `written` lists those acknowledged. False from the pause ends it early with
    // no failure (the caller knows it stopped).
    virtual TransferFailure UploadChanged(const ConfigRecord& state, const ConfigRecord& target,
                                          const Pause& pause, const WordDone& wordDone,
                                          std::vector<WordChange>& written) = 0;
    // Reads words 0..15 back; `mismatches` lists those not equal to `target`.
    virtual TransferFailure ReadBack(const ConfigRecord& target, std::vector<WordMismatch>& mismatches) = 0;
};

// A unit on a serial port ("COM1".."COM8" or a device path).
std::unique_ptr<UnitLink> MakeSerialUnit(const std::string& port);

} // namespace kovrin::gang
