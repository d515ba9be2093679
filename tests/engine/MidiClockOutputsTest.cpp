#include "engine/MidiClockOutput.h"
#include "support/RecordingMidiClockDevice.h"

#include <gtest/gtest.h>

using druvex::test::MidiClockDeviceLog;
using druvex::test::RecordingMidiClockDevices;
using kestrum::ClockBatch;
using kestrum::MidiClockOutputs;

namespace
{

constexpr std::uint8_t clockByte = 0xF8, startByte = 0xFA, stopByte = 0xFC;

struct MidiClockOutputsTest : ::testing::Test
{
    MidiClockOutputsTest() { outputs.setDeviceOpener(devices.opener()); }

    static ClockBatch batch(std::initializer_list<std::pair<std::uint8_t, int>> events, int barStartIndex = -1,
                            std::uint32_t session = 0)
    {
        ClockBatch b;
        b.timeMs = 5000.0;
        b.sampleRate = 1000.0; // one sample per millisecond keeps due times readable
        b.session = session;
        for (auto [status, offset] : events)
        {
            b.statusBytes[static_cast<size_t>(b.numEvents)] = status;
            b.sampleOffsets[static_cast<size_t>(b.numEvents++)] = offset;
        }
        b.barStartIndex = barStartIndex;
        b.barStartOffset = barStartIndex < 0 ? -1 : b.sampleOffsets[static_cast<size_t>(barStartIndex)];
        return b;
    }

    RecordingMidiClockDevices devices;
    std::atomic<bool> clockRunning { false };
    MidiClockOutputs outputs { clockRunning };
};

TEST_F(MidiClockOutputsTest, UpdateOpensEnabledOutputsThatArePresentAndClosesVanishedOnes)
{
    devices.failing.insert("broken");
    outputs.setIdentifiers({ "A", "B", "broken", "absent" }, { "A", "broken" });
    outputs.updateOutputs({ "A", "B", "broken", "other" });

    EXPECT_TRUE(outputs.getStatus("A").clockEnabled);
    EXPECT_TRUE(outputs.getStatus("B").open);
    EXPECT_FALSE(outputs.getStatus("B").clockEnabled);
    EXPECT_FALSE(outputs.getStatus("broken").open) << "a device that fails to open is left out";
    EXPECT_FALSE(devices.wasOpened("absent"));
    EXPECT_FALSE(devices.wasOpened("other")) << "present but not enabled";
    EXPECT_EQ(outputs.getNumOpenOutputs(), 2);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 1);
    EXPECT_TRUE(devices.log("A").threadRunning);

    outputs.updateOutputs({ "B" });
    EXPECT_FALSE(outputs.getStatus("A").open);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 0);
    const auto closed = devices.log("A");
    ASSERT_GE(closed.actions.size(), 2u);
    EXPECT_EQ(closed.actions[closed.actions.size() - 2], MidiClockDeviceLog::Action::clearPending);
    EXPECT_EQ(closed.actions.back(), MidiClockDeviceLog::Action::stopThread);
    EXPECT_EQ(outputs.getMidiOutputIdentifiers().size(), 4) << "the user's choice outlives the device";

    // Plugged in again, it reopens with its clock selection.
    outputs.updateOutputs({ "A", "B" });
    EXPECT_TRUE(outputs.getStatus("A").clockEnabled);
}

TEST_F(MidiClockOutputsTest, DisablingAnOutputRemovesItFromBothListsAndClosesIt)
{
    outputs.setClockSelected("A", true);
    EXPECT_TRUE(outputs.setOutputEnabled("A", true));
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 1);

    EXPECT_FALSE(outputs.setOutputEnabled("A", false));
    EXPECT_TRUE(outputs.getMidiOutputIdentifiers().isEmpty());
    EXPECT_TRUE(outputs.getMidiClockOutputIdentifiers().isEmpty());
    EXPECT_EQ(outputs.getNumOpenOutputs(), 0);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 0);
    EXPECT_FALSE(devices.log("A").threadRunning);

    devices.failing.insert("broken");
    EXPECT_FALSE(outputs.setOutputEnabled("broken", true));
    EXPECT_TRUE(outputs.getMidiOutputIdentifiers().contains("broken")) << "kept, so a later scan can open it";
}

TEST_F(MidiClockOutputsTest, OnlyOutputsEnabledForClockReceiveBatches)
{
    outputs.setIdentifiers({ "clock", "plain" }, { "clock" });
    outputs.updateOutputs({ "clock", "plain" });
    outputs.deliver(batch({ { startByte, 0 }, { clockByte, 0 }, { clockByte, 20 } }, 1));

    const auto log = devices.log("clock");
    ASSERT_EQ(log.messages.size(), 3u);
    EXPECT_DOUBLE_EQ(log.messages[2].dueMs, 5020.0);
    EXPECT_TRUE(devices.log("plain").messages.empty());
}

TEST_F(MidiClockOutputsTest, WaitingOutputJoinsAtTheFirstStartOrBarStart)
{
    struct Case
    {
        const char* name;
        ClockBatch first;
        std::vector<std::uint8_t> expectedStatuses;
        std::vector<int> expectedOffsets;
    };
    const Case cases[] = {
        { "no bar start: nothing yet", batch({ { clockByte, 10 }, { clockByte, 30 } }), {}, {} },
        { "bar start: a Start there, then the clock from that tick",
          batch({ { clockByte, 10 }, { clockByte, 30 }, { clockByte, 50 } }, 1),
          { startByte, clockByte, clockByte },
          { 30, 30, 50 } },
        { "a new Start: everything from it",
          batch({ { startByte, 0 }, { clockByte, 0 }, { clockByte, 20 } }, 1),
          { startByte, clockByte, clockByte },
          { 0, 0, 20 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const juce::String id = c.name;
        clockRunning = true;
        outputs.setClockSelected(id, true);
        outputs.setOutputEnabled(id, true);
        ASSERT_TRUE(outputs.getStatus(id).clockStartPending);
        EXPECT_EQ(outputs.getActiveClockOutputCount(), 1);

        outputs.deliver(c.first);
        const auto log = devices.log(id);
        ASSERT_EQ(log.messages.size(), c.expectedStatuses.size());
        for (size_t i = 0; i < log.messages.size(); ++i)
        {
            EXPECT_EQ(log.messages[i].status, c.expectedStatuses[i]);
            EXPECT_EQ(log.messages[i].sampleOffset, c.expectedOffsets[i]);
        }
        EXPECT_EQ(outputs.getStatus(id).clockEnabled, !c.expectedStatuses.empty());
        outputs.setOutputEnabled(id, false);
    }
}

TEST_F(MidiClockOutputsTest, SelectionWaitsWhileDeliveredClockStillRuns)
{
    // The audio thread has stopped, but the Start it sent earlier is all the outputs have seen:
    // an output selected now must still wait to join, and the Stop that follows lets it start
    // with the next Start.
    outputs.setIdentifiers({ "A" }, { "A" });
    outputs.updateOutputs({ "A", "B" });
    outputs.deliver(batch({ { startByte, 0 }, { clockByte, 0 } }));

    outputs.setClockSelected("B", true);
    outputs.setOutputEnabled("B", true);
    EXPECT_TRUE(outputs.getStatus("B").clockStartPending);

    outputs.deliver(batch({ { stopByte, -50 } }));
    EXPECT_TRUE(outputs.getStatus("B").clockEnabled);
    EXPECT_TRUE(devices.log("B").messages.empty()) << "no Stop for an output that never started";
    EXPECT_EQ(devices.log("A").messages.back().status, stopByte);
}

TEST_F(MidiClockOutputsTest, StopNowSilencesEnabledOutputsAndDropsEarlierBatches)
{
    outputs.setIdentifiers({ "A", "waiting" }, { "A" });
    outputs.updateOutputs({ "A", "waiting" });
    clockRunning = true;
    outputs.setClockSelected("waiting", true);
    const auto oldSession = outputs.getSession();

    outputs.stopNow(true);
    clockRunning = false;
    auto log = devices.log("A");
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0].status, stopByte);
    EXPECT_EQ(log.actions[log.actions.size() - 2], MidiClockDeviceLog::Action::clearPending);
    EXPECT_TRUE(devices.log("waiting").messages.empty());
    EXPECT_TRUE(outputs.getStatus("waiting").clockEnabled) << "the clock is stopped: it takes the next Start";

    outputs.deliver(batch({ { clockByte, 10 } }, -1, oldSession));
    EXPECT_EQ(devices.log("A").messages.size(), 1u) << "a batch of the stopped clock is not delivered";

    outputs.deliver(batch({ { startByte, 0 }, { clockByte, 0 } }, 1, outputs.getSession()));
    EXPECT_EQ(devices.log("A").messages.size(), 3u);
    EXPECT_EQ(devices.log("waiting").messages.size(), 2u);

    // Without a started clock there is nothing to stop, and scheduled messages are left alone.
    outputs.stopNow(false);
    EXPECT_EQ(devices.log("A").count(MidiClockDeviceLog::Action::clearPending), 1);
}

TEST(ClockBatchQueue, KeepsOrderAndRefusesWritesWhenFull)
{
    kestrum::ClockBatchQueue queue(3);
    for (int i = 0; i < 3; ++i)
    {
        auto* record = queue.beginWrite();
        ASSERT_NE(record, nullptr);
        record->numEvents = i + 1;
        queue.commitWrite();
    }
    EXPECT_EQ(queue.beginWrite(), nullptr);

    for (int i = 0; i < 3; ++i)
    {
        const auto* record = queue.front();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->numEvents, i + 1);
        queue.pop();
    }
    EXPECT_EQ(queue.front(), nullptr);
    ASSERT_NE(queue.beginWrite(), nullptr);
    EXPECT_EQ(queue.beginWrite()->numEvents, 0) << "a record is handed out cleared";
}

} // namespace
