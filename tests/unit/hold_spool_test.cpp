// The spool file must give back exactly what was held, whatever a power cut or a
// stranger's file left in its place, and the hold must honour its limits.

#include <gtest/gtest.h>

#include "delivery/hold_spool_format.h"
#include "delivery/message_hold.h"
#include "fakes.h"

namespace ostrilo {
namespace {

using Shape = SpoolReading::Shape;
using Texts = std::vector<std::string>;

const std::string kTwoHeldOneTaken =
    std::string(kSpoolHeader) + HeldRecord({5, "a|b"}) + HeldRecord({6, ""}) + TakenRecord(1) + HeldRecord({7, "c"});

TEST(SpoolFormatTest, ReadsBackWhatWasWrittenAndStopsAtDamage) {
    std::string flipped = kTwoHeldOneTaken;
    flipped[flipped.size() - 2] ^= 1;
    const struct { const char* what; std::string bytes; Shape shape; Texts texts; } cases[] = {
        {"sound", kTwoHeldOneTaken, Shape::Sound, {"", "c"}},
        {"last record cut in its payload", kTwoHeldOneTaken.substr(0, kTwoHeldOneTaken.size() - 1), Shape::DamagedTail, {""}},
        {"last record scrambled", flipped, Shape::DamagedTail, {""}},
        {"a record in the middle scrambled", flipped + HeldRecord({8, "d"}), Shape::DamagedMiddle, {""}},
        {"header cut short", std::string(kSpoolHeader).substr(0, 6), Shape::DamagedTail, {}},
        {"taking more than held", std::string(kSpoolHeader) + TakenRecord(9) + HeldRecord({1, "x"}), Shape::Sound, {"x"}},
        {"oversized length", std::string(kSpoolHeader) + "M0000000000000001ffffffff00000000", Shape::DamagedTail, {}},
        {"random bytes", std::string("\x89PNG\r\n\x1a\n\0\0garbage", 18), Shape::NotASpool, {}},
    };
    for (const auto& c : cases) {
        const SpoolReading reading = ReadSpool(c.bytes);
        EXPECT_EQ(reading.shape, c.shape) << c.what;
        Texts texts;
        for (const HeldMessage& message : reading.messages) texts.push_back(message.text);
        EXPECT_EQ(texts, c.texts) << c.what;
    }
}

class MessageHoldTest : public ::testing::Test {
protected:
    static constexpr char kSpool[] = "C:\\P\\Spool\\HeldMessages.dat";
    void Start() {
        hold = std::make_unique<MessageHold>(files, clock, alerts.clock, log, alerts.alerts);
        hold->Enable({10, 3}, "C:\\P\\");
    }
    Texts Drain() {
        Texts texts;
        for (auto message = hold->HandOutOldest(); message; message = hold->HandOutOldest()) {
            texts.push_back(message->text);
            hold->Delivered();
        }
        return texts;
    }
    bool Logged(const std::string& line) const { return std::count(log.lines.begin(), log.lines.end(), line) == 1; }

    fakes::DurableFiles files;
    fakes::WallClock clock;
    fakes::Log log;
    fakes::Alerts alerts;
    std::unique_ptr<MessageHold> hold;
};

TEST_F(MessageHoldTest, SurvivesARestartAndCompactsWhenEmpty) {
    Start();
    {
        const HoldBatch tick(*hold);
        for (const char* text : {"1", "2", "3"}) hold->HoldBack({clock.now, text});
        hold->HandOutOldest();
        hold->Delivered();
        EXPECT_EQ(files.files[kSpool], kSpoolHeader) << "written before the end of the tick";
    }
    hold->ReturnToFront({{clock.now, "0"}});
    Start();  // as after a crash: only the file is left
    EXPECT_TRUE(Logged("Read 3 held messages back from Spool\\HeldMessages.dat"));
    EXPECT_EQ(Drain(), (Texts{"0", "2", "3"}));
    EXPECT_EQ(files.files[kSpool], kSpoolHeader);
    EXPECT_EQ(log.lines.back(), "The hold is empty again: every held message went to Halvex or was discarded");
}

TEST_F(MessageHoldTest, DiscardsTheOldestWhenFullAndThoseTooOldByTheMonotonicClock) {
    Start();
    for (const char* text : {"a", "b", "c", "d"}) {
        hold->HoldBack({hold->Now(), text});
        alerts.clock.now += 1000;
    }
    clock.now += 24 * 60 * 60;  // the PC's time set right after a boot with a dead clock battery
    WorkBudget budget;
    hold->DiscardDue(budget);
    EXPECT_TRUE(Logged("Discarded held Message to Halvex (hold full): a"));
    alerts.clock.now += 10 * 60 * 1000 - 2000;  // "b" is now a second too old, "c" just old enough
    hold->DiscardDue(budget);
    EXPECT_TRUE(Logged("Discarded held Message to Halvex (older than 10 minutes): b"));
    EXPECT_EQ(Drain(), (Texts{"c", "d"}));
    // The second discard comes within the quiet period: counted, not written.
    EXPECT_EQ(alerts.eventLog.ids, (std::vector<std::uint32_t>{event_id::kHoldFilling, event_id::kHeldMessagesDiscarded,
                                                               event_id::kHoldEmpty}));
}

TEST_F(MessageHoldTest, ManyDiscardsGoInRoundsWithinTheWorkBudget) {
    Start();
    for (int i = 0; i < 300; ++i) hold->HoldBack({hold->Now(), std::to_string(i)});
    WorkBudget budget([] { return std::chrono::steady_clock::time_point{}; });
    const auto discards = [&] {
        return std::count_if(log.lines.begin(), log.lines.end(),
                             [](const std::string& line) { return line.rfind("Discarded", 0) == 0; });
    };
    for (const int expected : {WorkBudget::kLinesPerMessage, 297}) {
        budget.Renew();
        hold->DiscardDue(budget);
        EXPECT_EQ(discards(), expected);
    }
}

TEST_F(MessageHoldTest, GarbageOrAnUnreadableFileIsSetAsideAndAReadOnlyFolderKeepsTheHoldInMemory) {
    files.files[kSpool] = "not a spool";
    Start();
    EXPECT_EQ(files.files[std::string(kSpool) + ".1800000000.damaged"], "not a spool");
    EXPECT_EQ(files.files[kSpool], kSpoolHeader);

    files.readable = false;
    clock.now += 1;
    Start();
    EXPECT_TRUE(Logged("Spool\\HeldMessages.dat cannot be read; renamed it to " + std::string(kSpool) +
                       ".1800000001.damaged and started with an empty hold"));
    EXPECT_EQ(files.files[kSpool], kSpoolHeader);
    files.readable = true;

    files.files[kSpool] += HeldRecord({clock.now, "kept"}) + "M00\n" + HeldRecord({clock.now, "later"});
    Start();
    EXPECT_TRUE(Logged("Found a damaged record in the middle of Spool\\HeldMessages.dat; the records before it are "
                       "kept, the file with those after it is renamed to " + std::string(kSpool) +
                       ".1800000001.damaged"));

    files.files[kSpool] += "M00";  // a torn last write
    files.writable = false;
    Start();
    hold->HoldBack({clock.now, "in memory"});
    EXPECT_TRUE(Logged("Dropped a damaged record at the end of Spool\\HeldMessages.dat (a write cut short?); "
                       "the records before it are kept"));
    EXPECT_TRUE(Logged("Cannot write Spool\\HeldMessages.dat: held messages are kept in memory only and are "
                       "lost if Ostrilo stops (removed the outdated file; it is written again once it can be)"));
    EXPECT_EQ(Drain(), (Texts{"kept", "in memory"}));
    EXPECT_EQ(alerts.eventLog.ids.front(), event_id::kSpoolNotWritable);
}

TEST_F(MessageHoldTest, AFileThatFallsBehindIsRemovedOrWrittenAgainButNeverReadBack) {
    Start();
    for (const char* text : {"1", "2", "3"}) hold->HoldBack({clock.now, text});
    files.locked = true;  // a virus scanner holds it open
    EXPECT_EQ(Drain(), (Texts{"1", "2", "3"}));
    EXPECT_TRUE(Logged("Cannot write Spool\\HeldMessages.dat: held messages are kept in memory only and are lost "
                       "if Ostrilo stops (could not remove the outdated file either: a start before it can be "
                       "written again may resend what Halvex already got)"));
    files.locked = false;
    for (const std::int64_t wait : {HoldSpool::kRetryPeriodMs - 1, std::int64_t{1}}) {
        EXPECT_NE(files.files[kSpool], kSpoolHeader) << "tried again before it was due";
        alerts.clock.now += wait;
        const HoldBatch tick(*hold);
    }
    EXPECT_EQ(files.files[kSpool], kSpoolHeader);
    EXPECT_TRUE(Logged("Spool\\HeldMessages.dat can be written again: held messages are kept in it again"));

    hold->HoldBack({clock.now, "4"});
    files.writable = false;  // a read-only flag: the file cannot be written, but renamed or removed
    EXPECT_EQ(Drain(), (Texts{"4"}));
    EXPECT_EQ(files.files.count(kSpool), 0u);
    Start();
    EXPECT_EQ(Drain(), Texts{});
}

}  // namespace
}  // namespace ostrilo
