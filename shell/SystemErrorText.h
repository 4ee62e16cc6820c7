#pragma once

#include <QString>

// The reason behind a failed system call, in Russian: "на диске нет места" for ENOSPC and
// so on; an unusual code gets the system's own text with its number.
QString SystemErrorText(int errorCode);
