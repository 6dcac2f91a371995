// Resource identifiers of the Windows program, shared by vokruzeru.rc and the window's code.
#pragma once

#define IDI_VOKRUZERU 1
// The icons of the two archive types, for the installer's file associations.
#define IDI_VOK_ARCHIVE 2
#define IDI_TEMO_ARCHIVE 3
#define IDR_DONATE 101
