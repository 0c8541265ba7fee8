#pragma once
// A description's forced-defaults CSV: the (page, field name) pairs whose new
// defaults win over the camera's values during an upgrade. The text has the
// summary CSV's form; only its mode and name cells count.

#include <cstdint>
#include <set>
#include <string>
#include <utility>

class CalibForcedDefaults {
 public:
  // A null text lists nothing.
  explicit CalibForcedDefaults(const char* csv_text);

  bool Contains(uint32_t page, const std::string& field_name) const;
  size_t size() const { return entries_.size(); }

 private:
  std::set<std::pair<uint32_t, std::string>> entries_;
};
