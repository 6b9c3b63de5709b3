#pragma once

// The process-wide decimal separator of every number the program formats or
// parses. It is '.' from the start and the program keeps it so (the main
// window sets it again at creation and activation, the acquisition thread at
// its start); the system locale is never consulted.
char DecimalSeparator();
void SetDecimalSeparator(char separator);
