// The serial port of the system the program is built for, as CSerialPort.
#pragma once

#ifdef _WIN32
#include "link/WinSerialPort.h"
#else
#include "link/SerialPort.h"
#endif
