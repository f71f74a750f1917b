#pragma once

namespace korvane {

// The self-test of an INT41 card: the timing test of the busy bit, four register tests, the
// function-address doubling and six crosstalk tests between register pairs. All registers
// are reached through writeRegister/readRegister, so the same procedure serves the driver and
// the direct interface.

class CInterfaceInt41Base;
class Int41ResultWindow;

void runInt41SelfTest(CInterfaceInt41Base& card, Int41ResultWindow& window);

} // namespace korvane
