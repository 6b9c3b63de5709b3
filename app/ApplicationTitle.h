#pragma once

#include <QString>

// The application title: the name of the program as a whole, "Voltcheck" at
// start-up and the window caption once discovery has run. It is kept here and
// not as Qt's application display name, because Qt appends that name to the
// caption of every top-level window, and the captions must read exactly as set.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();
