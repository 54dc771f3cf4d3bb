#include "vector/language.h"

#include "config/record.h"

const VectorLanguage* plotLanguage = &kHpglLanguage;

void ChooseOutputLanguage() {
  plotLanguage = QdrsOutput() ? &kQdrsLanguage : &kHpglLanguage;
}
