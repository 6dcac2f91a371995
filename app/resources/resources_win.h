// Resource identifiers of the Windows program, shared by vokruzeru.rc and the window's code.
#pragma once

#define IDI_VOKRUZERU 1
#define IDR_DONATE 101
