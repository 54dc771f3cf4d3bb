#include "tools/jobview/picture.h"

#include <algorithm>

namespace {

// Enough notes to say what went wrong; a corrupt job could otherwise make one
// for every byte.
constexpr size_t kMaxNotes = 64;

template <typename Style>
uint32_t IndexOf(std::vector<Style>& styles, const Style& style) {
  if (!styles.empty() && styles.back() == style) return static_cast<uint32_t>(styles.size() - 1);
  const auto found = std::find(styles.begin(), styles.end(), style);
  if (found != styles.end()) return static_cast<uint32_t>(found - styles.begin());
  styles.push_back(style);
  return static_cast<uint32_t>(styles.size() - 1);
}

void Extend(JobPoint& high, const JobPoint& p) {
  high.x = std::max(high.x, p.x);
  high.y = std::max(high.y, p.y);
}

}  // namespace

void NoteOnce(JobPicture& picture, size_t offset, const std::string& text) {
  for (JobNote& note : picture.notes)
    if (note.text == text) {
      ++note.count;
      return;
    }
  if (picture.notes.size() < kMaxNotes) picture.notes.push_back({offset, text, 1});
}

int32_t NoteDamage(JobPicture& picture, size_t offset, const std::string& text) {
  picture.damaged = true;
  NoteOnce(picture, offset, text);
  return -1;
}

uint32_t StrokeStyleIndex(JobPicture& picture, const StrokeStyle& style) {
  return IndexOf(picture.strokeStyles, style);
}

uint32_t FillStyleIndex(JobPicture& picture, const FillStyle& style) {
  return IndexOf(picture.fillStyles, style);
}

void FitSheetToContent(JobPicture& picture) {
  JobPoint high = picture.sheet;
  for (const JobItem& item : picture.items) {
    for (const JobPoint& p : item.points) Extend(high, p);
    if (item.kind != ItemKind::Band) continue;
    const RasterBand& b = item.band;
    const JobPoint across{b.pixelStep.x * b.width, b.pixelStep.y * b.width};
    const JobPoint down{b.rowStep.x * b.rows, b.rowStep.y * b.rows};
    Extend(high, b.origin);
    Extend(high, {b.origin.x + across.x, b.origin.y + across.y});
    Extend(high, {b.origin.x + down.x, b.origin.y + down.y});
    Extend(high, {b.origin.x + across.x + down.x, b.origin.y + across.y + down.y});
  }
  picture.sheet = high;
  Extend(picture.usableHigh, high);
}
