#pragma once
// A scripted link: opens or not, downloads a given record or fails at a given
// operation and word, records what it was asked to do.
#include "app/logic/LinkService.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kovrin::test {

struct LinkScript {
    bool openSucceeds = true;
    LinkFailure failure = LinkFailure::None;  // for the next transfer
    int failAtWord = 0;                       // words before it succeed
    ConfigRecord switchRecord;                // what a download delivers
    std::string openFailureText;              // the reason a failed open gives
};

class FakeLinkService final : public LinkService {
public:
    LinkScript script;
    std::vector<std::string> calls;  // "create 1", "open 1 COM1", "close 1", "destroy 1", "download 1", "upload 1"
    std::vector<std::string> debugLog;
    std::vector<std::uint16_t> uploaded;  // words 0..15 of the last upload, as far as they went
    int live = 0;

    std::unique_ptr<Link> CreateLink() override
    {
        ++created_;
        calls.push_back("create " + std::to_string(created_));
        return std::make_unique<FakeLink>(*this, created_);
    }
    void DebugLog(const std::string& text) override { debugLog.push_back(text); }
    // The devices behind COM1..COM8; unset: nothing known beyond the names.
    std::optional<PortScan> ports;
    PortScan ScanPorts() override { return ports ? *ports : LinkService::ScanPorts(); }

private:
    class FakeLink final : public Link {
    public:
        FakeLink(FakeLinkService& s, int id) : s_(s), id_(" " + std::to_string(id)) { ++s_.live; }
        ~FakeLink() override
        {
            --s_.live;
            s_.calls.push_back("destroy" + id_);
        }
        bool Open(const std::string& port) override
        {
            s_.calls.push_back("open" + id_ + " " + port);
            return s_.script.openSucceeds;
        }
        std::string OpenFailureText() const override { return s_.script.openFailureText; }
        void Close() override { s_.calls.push_back("close" + id_); }
        LinkFailure Download(ConfigRecord& record, TransferObserver& observer) override
        {
            s_.calls.push_back("download" + id_);
            // Scribble on the record the way a careless transfer would, to prove the
            // window never lets a failed download reach its own record.
            ClearRecord(record);
            for (int word = 0; word < kParameterWordCount; ++word) {
                if (s_.script.failure != LinkFailure::None && word == s_.script.failAtWord)
                    return s_.script.failure;
                record.setWord(word, s_.script.switchRecord.word(word));
                observer.wordTransferred(word);
            }
            record = s_.script.switchRecord;
            return LinkFailure::None;
        }
        LinkFailure Upload(const ConfigRecord& record, TransferObserver& observer) override
        {
            s_.calls.push_back("upload" + id_);
            s_.uploaded.clear();
            for (int word = 0; word < kParameterWordCount; ++word) {
                if (s_.script.failure != LinkFailure::None && word == s_.script.failAtWord)
                    return s_.script.failure;
                s_.uploaded.push_back(record.word(word));
                observer.wordTransferred(word);
            }
            return LinkFailure::None;
        }

    private:
        FakeLinkService& s_;
        std::string id_;
    };

    int created_ = 0;
};

} // namespace kovrin::test
