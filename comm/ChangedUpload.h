#pragma once
// Operations beside Download and Upload for commissioning: read what a switch holds,
// write only the words that differ, and read written words back. Free of any toolkit and
// of shared state: each thread may run them over its own link at once.
#include "comm/Archive.h"
#include "comm/Transfer.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kovrin {

// A parameter word whose value differs between what a switch holds and what is wanted.
struct WordChange {
    int word;
    std::uint16_t held;
    std::uint16_t wanted;
};

// Words 0..15 that differ between the two records, in word order.
std::vector<WordChange> DifferingWords(const ConfigRecord& held, const ConfigRecord& wanted);

// What a switch holds that a file keeps: identification ("GI") and words 0..15 ("GM"), with
// the download's own requests and rules, into `state` (cleared first; word 256 the sum),
// which changes only when every exchange succeeded. Nominal data ("GN") is left out: no
// file keeps it and a changed-only upload does not need it.
TransferFailure ReadSwitchState(LinkOperations& link, ConfigRecord& state, const WordDone& wordDone = {});

// Waits the upload's pause before a word; false when the run is stopping, so the word is
// not begun. A word already on the line is always finished.
using WordPause = std::function<bool(Clock::Ms)>;
// The pause as a plain sleep on `clock`: never stops.
WordPause SleepOn(Clock& clock);

struct WriteOutcome {
    TransferFailure failure = TransferFailure::None;
    std::vector<WordChange> written;  // acknowledged by the switch, in the order sent
    bool stopped = false;             // the pause said stop before a word
};

// "SM" for each changed word with its wanted value, each after the upload's 750 ms pause.
WriteOutcome WriteWords(LinkOperations& link, std::span<const WordChange> changes, const WordPause& pause,
                        const WordDone& wordDone = {});

// A written word the switch holds differently afterwards.
struct WordMismatch {
    int word;
    std::uint16_t sent;
    std::uint16_t held;
};

struct ReadBackResult {
    TransferFailure failure = TransferFailure::None;  // the first exchange that failed
    std::vector<WordMismatch> mismatches;
    bool linkOk() const { return failure == TransferFailure::None; }
};

// "GM" for each word in `words`, compared with `sent`. A 12-byte answer holds no word
// and is a ReadBuffer failure, as in a download.
ReadBackResult ReadBackWords(LinkOperations& link, const ConfigRecord& sent, std::span<const int> words);
// The same for words 0..15.
ReadBackResult ReadBackWords(LinkOperations& link, const ConfigRecord& sent);

// How far a changed-only upload got.
enum class ChangedUploadStage {
    Read,         // reading the switch's state failed
    OtherSwitch,  // the switch's ATS code is not the wanted record's: nothing written
    Write,        // writing a changed word failed
    Stopped,      // stopped between words (Ctrl+C, a stopped run): `written` went out
    ReadBack,     // reading the written words back failed
    Done,         // every step ran; mismatches says whether the switch took every word
};

struct ChangedUploadResult {
    ChangedUploadStage stage = ChangedUploadStage::Read;
    TransferFailure failure = TransferFailure::None;
    ConfigRecord before;                   // the state read first (when stage > Read)
    std::vector<WordChange> changes;       // the words to write, in the order they go
    std::vector<WordChange> written;       // the words the switch acknowledged
    bool ruleSafeOrder = true;             // every state on the way keeps the six rules
    std::vector<WordMismatch> mismatches;  // written words the switch does not hold
    std::string archived;                  // where the state read first was kept, if it was
    bool ok() const { return stage == ChangedUploadStage::Done && mismatches.empty(); }
};

struct ChangedUploadOptions {
    bool anySwitch = false;                  // write even when the ATS codes differ
    const ArchiveLocation* archive = nullptr; // keep the state read first here; null: nowhere
};

// Puts `changes` (over the state `before`) in an order that keeps the six rules at every
// step where one exists; false when none does (they then stay in word order).
bool OrderForRules(const ConfigRecord& before, std::vector<WordChange>& changes);

// Called after each word is read (Read), written (Write) or read back (ReadBack).
using StepDone = std::function<void(ChangedUploadStage stage, int word)>;
// Called once the words to write and their order are known, before the first is sent.
using WritePlanned = std::function<void(const ChangedUploadResult& plan)>;

// Reads the switch's state, refuses another switch unless allowed (a wanted record that
// names no switch, the factory defaults, fits any), writes only the words that differ
// from `wanted` in an order that keeps the six rules at every step where one exists,
// then reads those words back and compares them. With nothing to change nothing is
// written or read back.
ChangedUploadResult UploadChangedWords(LinkOperations& link, const ConfigRecord& wanted, const WordPause& pause,
                                       const ChangedUploadOptions& options = {}, const StepDone& stepDone = {},
                                       const WritePlanned& planned = {});
ChangedUploadResult UploadChangedWords(LinkOperations& link, const ConfigRecord& wanted, Clock& clock,
                                       const ChangedUploadOptions& options = {}, const StepDone& stepDone = {});

// After a write cut off or stopped: the words the switch took and those not written, the
// archived state before, and how to finish or go back. `file` is the upload's file name.
std::string UnfinishedUploadText(const ChangedUploadResult& result, const std::string& file);
// The same for a full upload cut off after `acknowledged` words (words 0.. in order); it
// reads nothing first, so no state before it is kept.
std::string UnfinishedFullUploadText(int acknowledged, const std::string& file);
// Before writing, when no order keeps the six rules at every step.
inline constexpr const char* kNoRuleSafeOrder =
    "No order of these words keeps the six rules at every step: the switch passes through a state that breaks one.";

} // namespace kovrin
