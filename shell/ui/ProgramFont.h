#pragma once

#include <QFont>

// Tahoma where the system has it, else the system's sans-serif, at a character height of
// `pixels`.
QFont ProgramFont(int pixels);
