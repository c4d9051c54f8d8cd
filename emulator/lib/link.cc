// The simulated network link of the client library: parsing MQEMU_LINK and
// the schedule of frames in each direction (the model is in link.h).
#include "lib/link.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "pcf/printable.h"

namespace mqemu {
namespace {

struct Unit {
  std::string_view name;
  double scale;  // to nanoseconds for rtt, to bits per second for rate
};
constexpr Unit kTimeUnits[] = {{"us", 1e3}, {"ms", 1e6}, {"s", 1e9}};
// The longest round trip a link takes, in nanoseconds: far beyond any real
// network (a geostationary satellite's is about 0.6 s), short enough that a
// client's wait still ends in time to tell.
constexpr double kMaxRoundTripNs = 10e9;
constexpr Unit kRateUnits[] = {{"kbit", 1e3}, {"mbit", 1e6}, {"gbit", 1e9}};

// A non-negative decimal number followed by one of `units`; false when the
// text is anything else or the value is out of range.
template <size_t N>
bool ParseQuantity(std::string_view text, const Unit (&units)[N], double* out) {
  double number = 0;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::fixed);
  if (ec != std::errc() || end == text.data() || !(number >= 0)) return false;
  std::string_view unit(end, static_cast<size_t>(text.data() + text.size() - end));
  for (const Unit& u : units) {
    if (unit != u.name) continue;
    *out = number * u.scale;
    // Far beyond any link worth simulating, and still exact in 64 bits.
    return *out < 1e18;
  }
  return false;
}

}  // namespace

std::chrono::nanoseconds LinkSpec::TransferTime(size_t bytes) const {
  if (bits_per_second == 0) return std::chrono::nanoseconds(0);
  auto ns = static_cast<unsigned __int128>(bytes) * 8u * 1'000'000'000u / bits_per_second;
  return std::chrono::nanoseconds(static_cast<int64_t>(ns));
}

std::optional<LinkSpec> ParseLinkSpec(std::string_view text, std::string* error) {
  LinkSpec spec;
  bool have_rtt = false, have_rate = false;
  while (!text.empty()) {
    size_t comma = text.find(',');
    std::string_view part = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (comma != std::string_view::npos && text.empty()) {
      *error = "a comma ends the value";
      return std::nullopt;
    }
    size_t equals = part.find('=');
    std::string_view key = part.substr(0, equals);
    std::string_view value = equals == std::string_view::npos ? "" : part.substr(equals + 1);
    double quantity = 0;
    if (key == "rtt" && !have_rtt) {
      if (!ParseQuantity(value, kTimeUnits, &quantity)) {
        *error = "rtt=" + std::string(value) + " is not a time such as 20ms (units us, ms, s)";
        return std::nullopt;
      }
      if (quantity > kMaxRoundTripNs) {
        *error = "rtt=" + std::string(value) + " is longer than the longest round trip, 10s";
        return std::nullopt;
      }
      spec.rtt = std::chrono::nanoseconds(std::llround(quantity));
      have_rtt = true;
    } else if (key == "rate" && !have_rate) {
      if (!ParseQuantity(value, kRateUnits, &quantity) || std::llround(quantity) == 0) {
        *error = "rate=" + std::string(value) +
                 " is not a rate such as 100mbit (units kbit, mbit, gbit; above 0)";
        return std::nullopt;
      }
      spec.bits_per_second = static_cast<uint64_t>(std::llround(quantity));
      have_rate = true;
    } else {
      *error = (key == "rtt" || key == "rate")
                   ? std::string(key) + " is given twice"
                   : "unknown part \"" + std::string(part) + "\" (expected rtt=... or rate=...)";
      return std::nullopt;
    }
  }
  return spec;
}

LinkClock::time_point LinkDirection::Arrival(const LinkSpec& spec, LinkClock::time_point sent,
                                             size_t bytes) {
  LinkClock::time_point start = std::max(sent, free_);
  free_ = start + spec.TransferTime(bytes);
  return free_ + spec.rtt / 2;
}

LinkClock::time_point Link::Up(LinkClock::time_point sent, size_t bytes) {
  std::lock_guard lock(mu_);
  return up_.Arrival(spec_, sent, bytes);
}

LinkClock::time_point Link::Down(LinkClock::time_point sent, size_t bytes) {
  std::lock_guard lock(mu_);
  return down_.Arrival(spec_, sent, bytes);
}

const LinkSpec* ClientLink(bool* refused) {
  *refused = false;
#ifdef MQEMU_CLIENT_LINK
  struct Setting {
    std::optional<LinkSpec> spec;
    bool refused = false;
  };
  static const Setting setting = [] {
    Setting s;
    const char* text = std::getenv("MQEMU_LINK");
    if (!text || !*text) return s;
    std::string error;
    s.spec = ParseLinkSpec(text, &error);
    if (!s.spec) {
      // The value as it was set may hold anything: shown printable.
      std::fprintf(stderr, "libmqic_r: MQEMU_LINK=\"%s\" is refused: %s; MQCONN fails\n",
                   PrintableText(text).c_str(), PrintableText(error).c_str());
      s.refused = true;
    } else if (!s.spec->shaped()) {
      s.spec.reset();
    }
    return s;
  }();
  *refused = setting.refused;
  return setting.spec ? &*setting.spec : nullptr;
#else
  return nullptr;
#endif
}

}  // namespace mqemu
