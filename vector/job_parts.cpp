#include "vector/job_parts.h"

#include <cmath>
#include <cstring>

#include "config/geometry.h"
#include "config/record.h"
#include "vector/state.h"

namespace {

constexpr int32_t kMaxLabelLength = static_cast<int32_t>(sizeof labelText) - 1;

}  // namespace

int32_t JobCopies() {
  const int32_t copies = configRecord.copies;
  return copies >= 1 && copies <= kMaxCopies ? copies : 1;
}

int32_t LabelLength() {
  return static_cast<int32_t>(strnlen(labelText, kMaxLabelLength));
}

void WorkOutPlotUnits() {
  plotLengthUnits = TruncateToInt32(unitsPerInch[0] * usableLength * unitScale);
  plotWidthUnits = TruncateToInt32(unitsPerInch[1] * usableWidth * unitScale);
  marginUnits = TruncateToInt32(std::trunc(marginInches[0] * unitsPerInch[0]) * unitScale);
}
