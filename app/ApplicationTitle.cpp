#include "app/ApplicationTitle.h"

namespace {
// Written and read on the GUI thread only.
QString applicationTitle;
}  // namespace

void SetApplicationTitle(const QString& title) { applicationTitle = title; }

QString ApplicationTitle() { return applicationTitle; }
