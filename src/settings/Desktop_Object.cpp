#include "settings/Desktop_Object.h"
// Placeholder until the settings record lands.
TDesktopData::TDesktopData() {}
void TDesktopData::SaveToHistoryCurrent() const {}
bool TDesktopData::LoadFromHistoryEntry(quint16) { return false; }
