#pragma once
// Fills a pack's memory from its description: the data-flash rule (seeded pattern, blank
// rows, explicit bytes) and the instruction rows with the firmware identity.
#include "sim/gauge_memory.h"
#include "sim/jig.h"

namespace tester {

// Families whose ROM loader is the register-style loader at 0x16.
bool UsesRegisterLoader(int family);
// Bytes of data flash the pack's loader covers (checksum span or image span).
int LoaderSpan(const PackDescription& pack);
// The identity bytes the pack's row 0 carries (differs when the defect asks for it).
uint32_t EffectiveIdentity(const PackDescription& pack);

GaugeMemory BuildPackMemory(const PackDescription& pack);

}  // namespace tester
