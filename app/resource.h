// Resource IDs of SETUP.EXE (shared by the resource script and the code).
#pragma once

#define IDI_SETUP  1
#define IDB_WIZARD 101
#define IDR_TERMS  102
