#include "thermostat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "link/frames.h"

namespace {

constexpr std::uint8_t kPollByte = 0xB3;
constexpr std::uint8_t kSetFirst = 0x5A;
constexpr std::uint8_t kSetSecond = 0xF1;
constexpr std::size_t kSetLength = 5;

// Codes above this would wrap when read as signed tenths of a degree.
constexpr unsigned kHighestTextCode = 32767 + kZeroCelsiusCode;

TemperatureCode roundToCode(double value)
{
    return static_cast<TemperatureCode>(std::lround(std::clamp(value, 0.0, 65535.0)));
}

std::string plural(unsigned n, const char* word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string hexBytes(const std::uint8_t* bytes, std::size_t n)
{
    std::string text;
    char buffer[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buffer, sizeof buffer, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += buffer;
    }
    return text;
}

std::string temperatureText(TemperatureCode code)
{
    if (code > kHighestTextCode)
        return "code " + std::to_string(code);
    char text[kTemperatureTextSize];
    formatTemperature(tenthsFromCode(code), text);
    return text;
}

void RequestReader::feed(const std::uint8_t* bytes, std::size_t n, double now, std::vector<Event>& out)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (!partial_.empty() && now - lastByteTime_ > kFrameGapSeconds) {
            Bytes stale;
            stale.swap(partial_);
            emit(Event::Kind::incomplete, std::move(stale), out);
        }
        lastByteTime_ = now;
        take(bytes[i], out);
    }
    flushJunk(out);
}

void RequestReader::reset()
{
    partial_.clear();
    junk_.clear();
}

void RequestReader::take(std::uint8_t byte, std::vector<Event>& out)
{
    if (partial_.empty()) {
        if (byte == kPollByte || byte == kSetFirst)
            partial_.push_back(byte);
        else
            junk_.push_back(byte);
        return;
    }
    if (partial_[0] == kPollByte) {
        if (byte == kPollByte) {
            partial_.clear();
            emit(Event::Kind::poll, {kPollByte, kPollByte}, out);
        } else {
            // A lone B3 was junk; the new byte may still start a frame.
            junk_.push_back(kPollByte);
            partial_.clear();
            take(byte, out);
        }
        return;
    }
    if (partial_.size() == 1 && byte != kSetSecond) {
        junk_.push_back(kSetFirst);
        partial_.clear();
        take(byte, out);
        return;
    }
    partial_.push_back(byte);
    if (partial_.size() == kSetLength) {
        Bytes frame;
        frame.swap(partial_);
        const bool good = xorCheck(frame.data(), kSetLength - 1) == frame[kSetLength - 1];
        emit(good ? Event::Kind::set : Event::Kind::badCheck, std::move(frame), out);
    }
}

void RequestReader::emit(Event::Kind kind, Bytes bytes, std::vector<Event>& out)
{
    flushJunk(out);
    out.push_back({kind, std::move(bytes)});
}

void RequestReader::flushJunk(std::vector<Event>& out)
{
    if (junk_.empty())
        return;
    out.push_back({Event::Kind::junk, std::move(junk_)});
    junk_.clear();
}

Bath::Bath(double measured, double tauSeconds, double now)
    : measured_(measured), tau_(tauSeconds), last_(now)
{
}

void Bath::advance(double target, double now)
{
    const double dt = now - last_;
    last_ = now;
    // A clock stepped backwards leaves the bath where it is.
    if (dt <= 0)
        return;
    if (tau_ <= 0) {
        measured_ = target;
        return;
    }
    measured_ = target + (measured_ - target) * std::exp(-dt / tau_);
}

void Bath::force(double measured, double now)
{
    measured_ = measured;
    last_ = now;
}

Thermostat::Thermostat(const ThermostatConfig& config, double measuredCode, TemperatureCode maintained,
                       double now, EventSink log)
    : config_(config),
      log_(std::move(log)),
      bath_(measuredCode, config.tauSeconds, now),
      maintained_(maintained),
      random_(config.seed)
{
}

void Thermostat::receive(const std::uint8_t* bytes, std::size_t n, double now)
{
    if (n == 0)
        return;
    if (faults_.powerOff) {
        log_("IN " + hexBytes(bytes, n));
        note("power is off: " + plural(static_cast<unsigned>(n), "byte") + " ignored");
        return;
    }
    std::vector<RequestReader::Event> events;
    reader_.feed(bytes, n, now, events);
    for (const auto& event : events)
        handle(event, now);
}

void Thermostat::handle(const RequestReader::Event& event, double now)
{
    using Kind = RequestReader::Event::Kind;
    log_("IN " + hexBytes(event.bytes));
    const auto count = static_cast<unsigned>(event.bytes.size());
    switch (event.kind) {
    case Kind::poll:
        answerPoll(now);
        break;
    case Kind::set:
        answerSet(event.bytes, now);
        break;
    case Kind::badCheck: {
        ++counters_.badFrames;
        char expected[3];
        std::snprintf(expected, sizeof expected, "%02X", xorCheck(event.bytes.data(), kSetLength - 1));
        note("set command with a bad check byte (expected " + std::string(expected) + "): not answered");
        break;
    }
    case Kind::junk:
        counters_.junkBytes += count;
        note("dropped " + plural(count, "byte") + " outside any frame");
        break;
    case Kind::incomplete:
        counters_.junkBytes += count;
        note("dropped an unfinished frame of " + plural(count, "byte") + " after a pause");
        break;
    }
}

void Thermostat::answerPoll(double now)
{
    ++counters_.polls;
    Bytes reply(kStatusReplyLength);
    TemperatureCode measured = measuredCode(now);
    if (config_.noiseTenths > 0) {
        std::uniform_real_distribution<double> noise(-config_.noiseTenths, config_.noiseTenths);
        measured = roundToCode(bath_.measured() + noise(random_));
    }
    buildStatus(measured, maintained_, reply.data());
    queueReply(std::move(reply), now);
}

void Thermostat::answerSet(const Bytes& frame, double now)
{
    ++counters_.sets;
    const auto target = static_cast<TemperatureCode>(frame[2] | frame[3] << 8);
    if (faults_.refuse) {
        ++counters_.refusedSets;
        note("set command for " + temperatureText(target) + " refused");
        queueReply({0x00, 0x00}, now);
        return;
    }
    advanceBath(now);
    if (target != maintained_)
        note("maintained " + temperatureText(maintained_) + " -> " + temperatureText(target) + " by set command");
    maintained_ = target;
    queueReply({kAckConfirm, kAckConfirm}, now);
}

void Thermostat::queueReply(Bytes reply, double now)
{
    if (faults_.drop > 0) {
        --faults_.drop;
        ++counters_.repliesDropped;
        note("reply " + hexBytes(reply) + " dropped (" + std::to_string(faults_.drop) + " more to drop)");
        return;
    }
    if (faults_.corrupt > 0) {
        --faults_.corrupt;
        reply.back() ^= 0x01;
        note("check byte corrupted (" + std::to_string(faults_.corrupt) + " more to corrupt)");
    }
    if (faults_.shorten > 0) {
        --faults_.shorten;
        const std::size_t cut = std::min<std::size_t>(faults_.shortenBy, reply.size() - 1);
        reply.resize(reply.size() - cut);
        note("reply cut short by " + plural(static_cast<unsigned>(cut), "byte") + " (" +
             std::to_string(faults_.shorten) + " more to cut)");
    }
    double delay = config_.replyDelaySeconds;
    if (faults_.late > 0) {
        --faults_.late;
        delay = faults_.lateSeconds;
        note("reply held back " + std::to_string(std::lround(delay * 1000)) + " ms (" +
             std::to_string(faults_.late) + " more late)");
    }
    // Replies leave in the order their requests came, whatever their delays.
    double due = now + delay;
    if (!outbox_.empty())
        due = std::max(due, outbox_.back().due);
    outbox_.push_back({std::move(reply), due});
}

std::vector<Bytes> Thermostat::takeDueReplies(double now)
{
    std::vector<Bytes> due;
    while (!outbox_.empty() && outbox_.front().due <= now) {
        log_("OUT " + hexBytes(outbox_.front().bytes));
        ++counters_.repliesSent;
        due.push_back(std::move(outbox_.front().bytes));
        outbox_.pop_front();
    }
    return due;
}

std::optional<double> Thermostat::nextReplyDue() const
{
    if (outbox_.empty())
        return std::nullopt;
    return outbox_.front().due;
}

void Thermostat::dropReplies(unsigned n)
{
    faults_.drop = n;
    note("fault: drop the next " + plural(n, "reply"));
}

void Thermostat::corruptReplies(unsigned n)
{
    faults_.corrupt = n;
    note("fault: corrupt the check byte of the next " + plural(n, "reply"));
}

void Thermostat::shortenReplies(unsigned n, unsigned byBytes)
{
    faults_.shorten = n;
    faults_.shortenBy = std::max(1u, byBytes);
    note("fault: cut the next " + plural(n, "reply") + " short by " + plural(faults_.shortenBy, "byte"));
}

void Thermostat::delayReplies(unsigned n, double seconds)
{
    faults_.late = n;
    faults_.lateSeconds = seconds;
    note("fault: send the next " + plural(n, "reply") + " " + std::to_string(std::lround(seconds * 1000)) +
         " ms late");
}

void Thermostat::setRefuse(bool on)
{
    faults_.refuse = on;
    note(on ? "fault: refuse set commands" : "set commands accepted again");
}

void Thermostat::setPower(bool on)
{
    if (on == !faults_.powerOff) {
        note(on ? "power is already on" : "power is already off");
        return;
    }
    faults_.powerOff = !on;
    if (on) {
        note("power on");
        return;
    }
    reader_.reset();
    if (!outbox_.empty()) {
        note("power off: " + plural(static_cast<unsigned>(outbox_.size()), "pending reply") + " not sent");
        counters_.repliesDropped += outbox_.size();
        outbox_.clear();
    }
    note("power off");
}

void Thermostat::setFromPanel(TemperatureCode code, double now)
{
    advanceBath(now);
    note("maintained " + temperatureText(maintained_) + " -> " + temperatureText(code) + " at the panel");
    maintained_ = code;
}

bool Thermostat::forceMeasured(TemperatureCode code, double now)
{
    if (held_) {
        note("measured " + temperatureText(code) + " not forced: the bath is held at " + temperatureText(*held_));
        return false;
    }
    note("measured " + temperatureText(measuredCode(now)) + " -> " + temperatureText(code) + " forced");
    bath_.force(code, now);
    return true;
}

void Thermostat::hold(TemperatureCode code, double now)
{
    note("measured " + temperatureText(measuredCode(now)) + " -> " + temperatureText(code) + " held until release");
    held_ = code;
    bath_.force(code, now);
}

bool Thermostat::release(double now)
{
    if (!held_) {
        note("release: the bath is not held");
        return false;
    }
    advanceBath(now);
    note("measured " + temperatureText(*held_) + " released, following maintained " + temperatureText(maintained_));
    held_.reset();
    return true;
}

void Thermostat::advanceBath(double now)
{
    // Forcing keeps the bath's clock moving, so that after a release the lag
    // starts from the release and not from when the hold began.
    if (held_)
        bath_.force(*held_, now);
    else
        bath_.advance(maintained_, now);
}

TemperatureCode Thermostat::measuredCode(double now)
{
    advanceBath(now);
    return roundToCode(bath_.measured());
}

std::string Thermostat::describe(double now)
{
    const TemperatureCode measured = measuredCode(now);
    std::string text = "measured " + temperatureText(measured) + " (code " + std::to_string(measured) +
                       ") maintained " + temperatureText(maintained_) + " (code " +
                       std::to_string(maintained_) + ")";
    text += "; polls " + std::to_string(counters_.polls) + ", sets " + std::to_string(counters_.sets) +
            ", refused " + std::to_string(counters_.refusedSets) + ", replies " +
            std::to_string(counters_.repliesSent) + ", dropped " + std::to_string(counters_.repliesDropped) +
            ", bad frames " + std::to_string(counters_.badFrames) + ", junk bytes " +
            std::to_string(counters_.junkBytes);
    std::string active;
    auto add = [&active](const std::string& fault) { active += (active.empty() ? "" : ", ") + fault; };
    if (faults_.powerOff)
        add("power off");
    if (faults_.drop > 0)
        add("drop " + std::to_string(faults_.drop));
    if (faults_.corrupt > 0)
        add("corrupt " + std::to_string(faults_.corrupt));
    if (faults_.shorten > 0)
        add("short " + std::to_string(faults_.shorten) + " by " + std::to_string(faults_.shortenBy));
    if (faults_.late > 0)
        add("late " + std::to_string(faults_.late) + " at " + std::to_string(std::lround(faults_.lateSeconds * 1000)) +
            " ms");
    if (faults_.refuse)
        add("refuse");
    if (held_)
        add("hold " + temperatureText(*held_));
    text += "; faults: " + (active.empty() ? std::string("none") : active);
    return text;
}
