#include "Tv450Family.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "CalibError.h"
#include "CalibPacking.h"

namespace {

std::array<gain_entry_t, kTv450GainSlots> BuildGainTable() {
  std::array<gain_entry_t, kTv450GainSlots> table{};
  for (int32_t i = 0; i < static_cast<int32_t>(kTv450GainEntries); ++i) {
    double gain;
    int32_t code;
    if (i < 32) {
      gain = 0.4 + 0.2 * i;
      code = 2 * i + 1;
    } else if (i == 32) {
      gain = 7.0;
      code = 24;
    } else {
      gain = 7.5 + 0.5 * (i - 33);
      code = 26 + 2 * (i - 33);
    }
    table[i] = {gain, 20.0 * std::log10(gain / 1.4), code, i};
  }
  return table;
}

// Round half away from zero into the int32 range (-inf, from a zero linear
// gain, ends at the lowest value instead of an undefined conversion).
int64_t RoundClamped(double value) {
  constexpr double kLow = std::numeric_limits<int32_t>::min();
  constexpr double kHigh = std::numeric_limits<int32_t>::max();
  if (std::isnan(value)) return 0;
  if (value <= kLow) return std::numeric_limits<int32_t>::min();
  if (value >= kHigh) return std::numeric_limits<int32_t>::max();
  return std::llround(value);
}

// The gain of the first used entry whose code equals raw, or null.
const gain_entry_t* GainForCode(uint32_t raw) {
  const gain_entry_t* table = Tv450GainTable();
  for (uint32_t i = 0; i < kTv450GainEntries; ++i)
    if (static_cast<uint32_t>(table[i].code) == raw) return &table[i];
  return nullptr;
}

// The code of the nearest gain; a tie between two neighbours takes the higher one.
uint32_t CodeForGain(int32_t value) {
  const gain_entry_t* table = Tv450GainTable();
  const double g = value / 1000.0;
  for (uint32_t i = 1; i < kTv450GainEntries; ++i) {
    if (table[i - 1].gain <= g && g <= table[i].gain) {
      const double d1 = std::fabs(g - table[i - 1].gain);
      const double d2 = std::fabs(g - table[i].gain);
      // Table gains are sums of binary fractions; a decimal midpoint such as 1.3
      // must still count as a tie.
      return static_cast<uint32_t>(d2 > d1 + 1e-9 ? table[i - 1].code : table[i].code);
    }
  }
  std::ostringstream gain;
  gain << g;
  ThrowCDSError("TV450KT_LN_H_SetFieldValue", "ERROR, unknown gain value", gain.str());
}

double LinearGainDb(uint32_t raw) {
  return 20.0 * std::log10(raw / 32768.0);
}

[[noreturn]] void UnknownKind(const char* accessor, uint32_t kind) {
  ThrowCDSError(accessor, "ERROR, unknown data type", std::to_string(kind));
}

}  // namespace

const gain_entry_t* Tv450GainTable() {
  static const std::array<gain_entry_t, kTv450GainSlots> table = BuildGainTable();
  return table.data();
}

int32_t Tv450CounterDecode(uint32_t raw) {
  const uint32_t d = ((raw & 0x1FFE00) >> 4) + ((raw & 0x1F8) >> 2) + (raw & 7);
  // Sign-extend from 17 bits.
  return static_cast<int32_t>((d & 0x1FFFF) ^ 0x10000) - 0x10000;
}

uint32_t Tv450CounterEncode(int32_t value) {
  const uint32_t x = static_cast<uint32_t>(value) - 4;
  return (((x - 0x40) & 0x1FFE0) << 4) + ((x & 0x1E) << 2) + 0x104;
}

void TV450KT_LN_H_Initialize() {
  Tv450GainTable();
}

int32_t TV450KT_LN_H_GetFieldValue(const calib_field_t& field) {
  const uint32_t raw = field.value;
  switch (CalibFieldKind(field)) {
    case 0:
    case 1:
    case 2:
    case 5:
    case 6:
      return static_cast<int32_t>(raw);
    case 3:
      return Tv450CounterDecode(raw);
    case 4: {
      const gain_entry_t* entry = GainForCode(raw);
      return entry == nullptr ? 0 : static_cast<int32_t>(std::trunc(entry->gain * 1000.0));
    }
    case 7:
      return static_cast<int32_t>(RoundClamped(LinearGainDb(raw) * 1000.0));
    default:
      UnknownKind("TV450KT_LN_H_GetFieldValue", CalibFieldKind(field));
  }
}

void TV450KT_LN_H_SetFieldValue(int32_t value, calib_field_t& field) {
  uint32_t stored;
  switch (CalibFieldKind(field)) {
    case 0:
    case 1:
    case 2:
    case 5:
    case 6:
      stored = static_cast<uint32_t>(value);
      break;
    case 3:
      stored = Tv450CounterEncode(value);
      break;
    case 4:
      stored = CodeForGain(value);
      break;
    case 7:
      stored =
          static_cast<uint32_t>(RoundClamped(32768.0 * std::pow(10.0, (value / 1000.0) / 20.0)));
      break;
    default:
      UnknownKind("TV450KT_LN_H_SetFieldValue", CalibFieldKind(field));
  }
  const uint32_t mask = CalibFieldMask(field);
  // A field without a public value (width 0 or 32) is never overwritten.
  if (mask != 0) field.value = stored & mask;
}

uint32_t TV450KT_LN_H_GetFieldType(const calib_field_t& field) {
  static constexpr uint32_t kTypeOfKind[] = {1, 5, 3, 1, 6, 1, 2, 3};
  if (CalibFieldMask(field) == 0) return 0;
  const uint32_t kind = CalibFieldKind(field);
  if (kind >= std::size(kTypeOfKind)) UnknownKind("TV450KT_LN_H_GetFieldType", kind);
  return kTypeOfKind[kind];
}

int32_t TV450KT_LN_H_GetEnumValue(uint32_t index) {
  if (index >= kTv450GainSlots)
    ThrowCDSError("TV450KT_LN_H_GetEnumValue", "ERROR, index value too high");
  return static_cast<int32_t>(std::trunc(Tv450GainTable()[index].gain * 1000.0));
}

uint32_t TV450KT_LN_H_GetEnumValueRaw(uint32_t index) {
  if (index >= kTv450GainSlots)
    ThrowCDSError("TV450KT_LN_H_GetEnumValueRaw", "ERROR, index value too high");
  return static_cast<uint32_t>(Tv450GainTable()[index].code);
}

void Tv450FamilySetVal(const Tv450FamilyDefinition& definition, calib_field_t* fields,
                       const char* name, const char* value) {
  const std::string prefix = definition.class_name;
  if (fields == nullptr) ThrowCDSText(prefix + "::SetVal - error, data pointer is not valid");
  if (name == nullptr) ThrowCDSText(prefix + "::SetVal - error, name pointer is not valid");
  if (value == nullptr) ThrowCDSText(prefix + "::SetVal - error, value pointer is not valid");
  calib_field_t* field = nullptr;
  for (uint32_t cell = 0; cell < definition.rows * definition.columns; ++cell) {
    calib_field_t& candidate = fields[definition.grid[cell]];
    if (candidate.name != nullptr && std::strcmp(candidate.name, name) == 0) field = &candidate;
  }
  if (field == nullptr)
    ThrowCDSText(prefix +
                 "::SetVal - error, could not find respective value in unpacked features list");
  const uint32_t mask = CalibFieldMask(*field);
  if (mask == 0) return;
  uint32_t stored;
  switch (CalibFieldKind(*field)) {
    case 0:
    case 5:
      stored = static_cast<uint32_t>(std::stoi(value));
      break;
    case 1:
      stored = static_cast<uint32_t>(std::stoul(value, nullptr, 16));
      break;
    case 2:
      stored = static_cast<uint32_t>(RoundClamped(std::stod(value) * 1000.0));
      break;
    case 3:
      stored = Tv450CounterEncode(std::stoi(value));
      break;
    case 4: {
      const double gain = std::stod(value);
      const gain_entry_t* table = Tv450GainTable();
      stored = 0;
      for (uint32_t i = 0; i < kTv450GainEntries; ++i)
        if (std::fabs(table[i].gain - gain) < 0.001) stored = static_cast<uint32_t>(table[i].code);
      break;
    }
    case 6:
      stored = static_cast<uint32_t>(RoundClamped(std::stod(value) * 100.0));
      break;
    case 7:
      stored =
          static_cast<uint32_t>(RoundClamped(32768.0 * std::pow(10.0, std::stod(value) / 20.0)));
      break;
    default:
      ThrowCDSText(prefix + "::setVal - ERROR, unknown data type");
  }
  field->value = stored & mask;
}

void Tv450FamilyGetCalibData(const Tv450FamilyDefinition& definition, const calib_field_t* fields,
                             std::vector<calib_data_entry>& items, bool csv) {
  const std::string prefix = definition.class_name;
  if (fields == nullptr) ThrowCDSText(prefix + "::GetCalibData - error, data pointer is not valid");
  items.clear();
  items.reserve(definition.rows * definition.columns);
  // Kinds without a unit of their own keep the one of the item built before.
  std::string unit;
  for (uint32_t column = 0; column < definition.columns; ++column) {
    for (uint32_t row = 0; row < definition.rows; ++row) {
      const calib_field_t& field = fields[definition.grid[row * definition.columns + column]];
      const uint32_t raw = field.value;
      std::string value;
      switch (CalibFieldKind(field)) {
        case 0:
          value = StringPrintf("%2d", static_cast<int32_t>(raw));
          break;
        case 1:
          value = StringPrintf("0x%2X", raw);
          break;
        case 2:
          value = StringPrintf("%5.3f", raw / 1000.0);
          unit = "V";
          break;
        case 3:
          value = StringPrintf("%2d", Tv450CounterDecode(raw));
          break;
        case 4: {
          const gain_entry_t* entry = GainForCode(raw);
          value = StringPrintf("%3.1f", entry == nullptr ? 0.0 : entry->gain);
          unit = "x";
          break;
        }
        case 5:
          value = StringPrintf("%3d", static_cast<int32_t>(raw));
          break;
        case 6:
          value = StringPrintf("%5.2f", raw / 100.0);
          unit = "db";
          break;
        case 7:
          value = StringPrintf("%5.3f db", LinearGainDb(raw));
          unit = "db";
          break;
        default:
          ThrowCDSText(prefix + "::GetCalibData - ERROR, unknown data type");
      }
      std::string name = field.name != nullptr ? field.name : "";
      if (!csv) {
        const int width =
            std::max(0, static_cast<int>(definition.cell_base) - static_cast<int>(value.size()));
        name = StringPrintf("%-*.*s", width, width, name.c_str());
      }
      items.push_back({std::move(name), std::move(value), unit});
    }
  }
}
