// The simulated thermostat without any I/O: it reads requests from a byte
// stream, answers them (with faults when told to), and keeps a bath whose
// measured temperature follows the maintained one. Time is always passed in,
// in seconds, so tests drive the clock themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "link/temperature.h"

using Bytes = std::vector<std::uint8_t>;

// Receives one event line without its time stamp: "IN B3 B3", "OUT ...",
// "NOTE ...".
using EventSink = std::function<void(const std::string&)>;

// "A4 0B A9 0B 0D": uppercase hex, single spaces.
std::string hexBytes(const std::uint8_t* bytes, std::size_t n);
inline std::string hexBytes(const Bytes& bytes) { return hexBytes(bytes.data(), bytes.size()); }

// "25,5", or the code itself when it has no sensible text form.
std::string temperatureText(TemperatureCode code);

// Splits the incoming byte stream into requests. Bytes that cannot start a
// frame are handed back as junk; a frame left unfinished for longer than
// kFrameGapSeconds is abandoned when the next byte arrives, as a real
// instrument resets its receiver after a pause on the line.
class RequestReader {
public:
    static constexpr double kFrameGapSeconds = 0.1;

    struct Event {
        enum class Kind { poll, set, badCheck, junk, incomplete };
        Kind kind;
        Bytes bytes;
    };

    void feed(const std::uint8_t* bytes, std::size_t n, double now, std::vector<Event>& out);
    void reset();

private:
    void take(std::uint8_t byte, std::vector<Event>& out);
    void emit(Event::Kind kind, Bytes bytes, std::vector<Event>& out);
    void flushJunk(std::vector<Event>& out);

    Bytes partial_;
    Bytes junk_;
    double lastByteTime_ = 0;
};

// First-order lag: the measured value approaches the target with time
// constant tau. Values are temperature codes kept as doubles.
class Bath {
public:
    Bath(double measured, double tauSeconds, double now);
    // Moves the measured value on to now, with target held since the last call.
    void advance(double target, double now);
    void force(double measured, double now);
    double measured() const { return measured_; }

private:
    double measured_;
    double tau_;
    double last_;
};

struct ThermostatConfig {
    double tauSeconds = 60;
    double noiseTenths = 0;
    double replyDelaySeconds = 0.020;
    std::uint32_t seed = 1;
};

struct Faults {
    unsigned drop = 0;
    unsigned corrupt = 0;
    unsigned shorten = 0;
    unsigned shortenBy = 1;
    unsigned late = 0;
    double lateSeconds = 0.4;
    bool refuse = false;
    bool powerOff = false;
};

struct Counters {
    unsigned long polls = 0;
    unsigned long sets = 0;
    unsigned long refusedSets = 0;
    unsigned long badFrames = 0;
    unsigned long junkBytes = 0;
    unsigned long repliesSent = 0;
    unsigned long repliesDropped = 0;
};

class Thermostat {
public:
    Thermostat(const ThermostatConfig& config, double measuredCode, TemperatureCode maintained,
               double now, EventSink log);

    // Bytes from the line. Every byte is logged once as IN, grouped by frame.
    void receive(const std::uint8_t* bytes, std::size_t n, double now);

    // Replies whose time has come, oldest first, each logged as OUT.
    std::vector<Bytes> takeDueReplies(double now);
    std::optional<double> nextReplyDue() const;

    // Faults and panel actions, each noted in the log.
    void dropReplies(unsigned n);
    void corruptReplies(unsigned n);
    void shortenReplies(unsigned n, unsigned byBytes);
    void delayReplies(unsigned n, double seconds);
    void setRefuse(bool on);
    void setPower(bool on);
    void setFromPanel(TemperatureCode code, double now);
    // Sets the measured value, from which the bath goes on. Refused (false,
    // nothing changes) while the bath is held, as the hold would undo it.
    bool forceMeasured(TemperatureCode code, double now);
    // Puts the measured value at code and keeps it there, whatever the
    // maintained temperature, until release; holding again moves the hold.
    void hold(TemperatureCode code, double now);
    // Lets the bath follow the maintained temperature again from the held
    // value. False when it was not held.
    bool release(double now);
    std::optional<TemperatureCode> heldAt() const { return held_; }

    // The measured code as the next status reply would carry it, without noise.
    TemperatureCode measuredCode(double now);
    TemperatureCode maintainedCode() const { return maintained_; }
    const Faults& faults() const { return faults_; }
    const Counters& counters() const { return counters_; }
    std::string describe(double now);

private:
    struct PendingReply {
        Bytes bytes;
        double due;
    };

    void handle(const RequestReader::Event& event, double now);
    void answerPoll(double now);
    void answerSet(const Bytes& frame, double now);
    void queueReply(Bytes reply, double now);
    // Brings the bath to now: toward the maintained temperature, or kept at
    // the held value.
    void advanceBath(double now);
    void note(const std::string& text) { log_("NOTE " + text); }

    ThermostatConfig config_;
    EventSink log_;
    RequestReader reader_;
    Bath bath_;
    TemperatureCode maintained_;
    std::optional<TemperatureCode> held_;
    Faults faults_;
    Counters counters_;
    std::deque<PendingReply> outbox_;
    std::mt19937 random_;
};
