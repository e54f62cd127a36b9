#include "harness/alarm_accounting.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "common/text_escape.h"
#include "harness/journal_lines.h"

namespace ostrilo::e2e {

namespace {

enum class Outcome { Sent, SendFailed, QueuedWith2, QueuedWith3, NotQueued };

struct OutcomeLine {
    Outcome outcome;
    std::string alarm;
};

struct OutcomePrefix {
    Outcome outcome;
    const char* prefix;
};

constexpr OutcomePrefix kOutcomePrefixes[] = {
    {Outcome::Sent, "Sent Message to Halvex: "},
    {Outcome::SendFailed, "Failed to send Message to Halvex: "},
    {Outcome::QueuedWith2, "Queued Message to Halvex using Halvex2.DLL: "},
    {Outcome::QueuedWith3, "Queued Message to Halvex using Halvex3.DLL: "},
    {Outcome::NotQueued, "Failed to queued Message to Halvex (not running?): "},
};

std::vector<OutcomeLine> OutcomeLines(const std::vector<std::string>& logMessages) {
    std::vector<OutcomeLine> outcomes;
    for (const auto& message : logMessages) {
        for (const auto& [outcome, prefix] : kOutcomePrefixes) {
            if (!StartsWith(message, prefix)) continue;
            outcomes.push_back({outcome, message.substr(std::char_traits<char>::length(prefix))});
            break;
        }
    }
    return outcomes;
}

// The text of a journal line between its first and last double quote, unescaped.
std::optional<std::string> QuotedText(const std::string& line) {
    const auto first = line.find('"');
    const auto last = line.rfind('"');
    if (first == std::string::npos || last == first) return std::nullopt;
    return sim::UnescapeText(std::string_view(line).substr(first + 1, last - first - 1));
}

std::vector<std::string> JournalTexts(const OstriloRun& run, const std::string& simulator, const std::string& call) {
    std::vector<std::string> texts;
    for (const auto& line : run.JournalLines(simulator)) {
        if (!StartsWith(line, call + " ")) continue;
        if (auto text = QuotedText(line)) texts.push_back(std::move(*text));
    }
    return texts;
}

bool IsSocketOutcome(Outcome outcome) { return outcome == Outcome::Sent || outcome == Outcome::SendFailed; }

std::string Shortened(const std::string& text) {
    constexpr std::size_t kShown = 80;
    return text.size() <= kShown ? text : text.substr(0, kShown) + "...(" + std::to_string(text.size()) + " bytes)";
}

// Walks the outcome lines alongside the alarms; each alarm takes its one outcome group.
testing::AssertionResult MatchOutcomes(const std::vector<std::string>& alarms, const std::vector<OutcomeLine>& outcomes,
                                       AlarmAccount& account, std::vector<std::string> (&queuedWith)[2]) {
    std::size_t next = 0;
    for (std::size_t index = 0; index < alarms.size(); ++index) {
        const std::string& alarm = alarms[index];
        if (next >= outcomes.size() || outcomes[next].alarm != alarm) {
            return testing::AssertionFailure()
                   << "alarm #" << index + 1 << " \"" << Shortened(alarm) << "\" has no outcome line where expected"
                   << (next < outcomes.size() ? "; found one for \"" + Shortened(outcomes[next].alarm) + "\"" : "");
        }
        if (IsSocketOutcome(outcomes[next].outcome) != IsSocketOutcome(outcomes.front().outcome)) {
            return testing::AssertionFailure() << "alarm #" << index + 1 << " mixes socket and library outcomes";
        }
        switch (outcomes[next++].outcome) {
        case Outcome::Sent: ++account.sent; break;
        case Outcome::SendFailed: ++account.sendFailed; break;
        case Outcome::NotQueued: ++account.notQueued; break;
        case Outcome::QueuedWith3:
            ++account.queuedWith3;
            queuedWith[1].push_back(alarm);
            break;
        case Outcome::QueuedWith2:
            ++account.queuedWith2;
            queuedWith[0].push_back(alarm);
            if (next < outcomes.size() && outcomes[next].outcome == Outcome::QueuedWith3 &&
                outcomes[next].alarm == alarm) {
                ++account.queuedWith3;
                queuedWith[1].push_back(alarm);
                ++next;
            }
            break;
        }
    }
    if (next != outcomes.size()) {
        return testing::AssertionFailure() << outcomes.size() - next << " outcome line(s) name no alarm, first: \""
                                           << Shortened(outcomes[next].alarm) << "\"";
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult MatchCommands(const OstriloRun& run, const std::string& library,
                                       const std::vector<std::string>& queued) {
    const std::vector<std::string> commands = JournalTexts(run, library, "SetCommandEntry");
    if (commands.size() != queued.size()) {
        return testing::AssertionFailure() << library << " took " << commands.size() << " command(s), the log names "
                                           << queued.size() << " as queued with it";
    }
    for (std::size_t index = 0; index < queued.size(); ++index) {
        if (commands[index] != "TA:" + queued[index] + "||24") {
            return testing::AssertionFailure() << library << " command #" << index + 1 << " is \""
                                               << Shortened(commands[index]) << "\", expected the alarm \""
                                               << Shortened(queued[index]) << "\"";
        }
    }
    return testing::AssertionSuccess();
}

}  // namespace

void QueueAlarms(OstriloRun& run, const std::vector<std::string>& alarms) {
    std::string lines;
    for (const auto& alarm : alarms) lines += sim::EscapeText(alarm) + "\n";
    std::ofstream queue(run.ProgramDir() / "Ostrilo.messages", std::ios::binary | std::ios::app);
    queue.write(lines.data(), static_cast<std::streamsize>(lines.size()));
    if (!queue.flush()) throw std::runtime_error("cannot append to Ostrilo.messages");
}

std::vector<std::string> NumberedAlarms(const std::string& stem, std::size_t first, std::size_t count,
                                        std::size_t padTo) {
    std::vector<std::string> alarms;
    for (std::size_t number = first; number < first + count; ++number) {
        std::string alarm = stem + " " + std::to_string(number);
        if (alarm.size() < padTo) alarm.append(padTo - alarm.size(), 'x');
        alarms.push_back(std::move(alarm));
    }
    return alarms;
}

std::vector<std::string> HandedOverAlarms(const OstriloRun& run) {
    return JournalTexts(run, "Ostrilo", "GetWinCCMsgServiceMessage");
}

std::string WithoutLineBreaks(std::string alarm) {
    alarm.erase(std::remove_if(alarm.begin(), alarm.end(), [](char c) { return c == '\r' || c == '\n'; }),
                alarm.end());
    return alarm;
}

testing::AssertionResult AccountFor(const OstriloRun& run, const std::vector<std::string>& expectedAlarms,
                                    AlarmAccount* account) {
    const std::vector<std::string> handedOver = HandedOverAlarms(run);
    if (handedOver != expectedAlarms) {
        return testing::AssertionFailure() << "the bridge handed over " << handedOver.size()
                                           << " alarm(s), not the " << expectedAlarms.size()
                                           << " queued ones in their order";
    }
    std::vector<std::string> relayed;
    for (const auto& alarm : handedOver) relayed.push_back(WithoutLineBreaks(alarm));

    AlarmAccount counted;
    counted.handedOver = handedOver.size();
    std::vector<std::string> queuedWith[2];
    if (auto matched = MatchOutcomes(relayed, OutcomeLines(run.LogMessages()), counted, queuedWith); !matched) {
        return matched;
    }
    if (auto matched = MatchCommands(run, "Halvex2", queuedWith[0]); !matched) return matched;
    if (auto matched = MatchCommands(run, "Halvex3", queuedWith[1]); !matched) return matched;
    if (account) *account = counted;
    return testing::AssertionSuccess();
}

testing::AssertionResult WaitForAccounting(OstriloRun& run, const std::vector<std::string>& expectedAlarms,
                                           std::chrono::milliseconds timeout, AlarmAccount* account) {
    testing::AssertionResult last = testing::AssertionSuccess();
    const auto waited = run.WaitUntil(
        [&] {
            last = AccountFor(run, expectedAlarms, account);
            return static_cast<bool>(last);
        },
        "complete account of " + std::to_string(expectedAlarms.size()) + " alarm(s)", timeout);
    if (waited) return waited;
    return last << "\n(waited " << timeout.count() << " ms)";
}

}  // namespace ostrilo::e2e
