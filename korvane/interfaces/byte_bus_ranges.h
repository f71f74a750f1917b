#pragma once

// The ranges of the byte-wide bus that the INT41 card and the USB860 adapter drive: system
// and card addresses 0..63, function addresses 0..15, data 0..255. An interface (or a test
// bus) on that bus derives from ByteBusRanges<its base> and overrides only what differs.

#include "korvane/interfaces/interface.h"

namespace korvane {

template <typename Base = CInterface> class ByteBusRanges : public Base {
public:
    using Base::Base;

    int minSystemAddress() const override { return 0; }
    int maxSystemAddress() const override { return 63; }
    int minCardAddress() const override { return 0; }
    int maxCardAddress() const override { return 63; }
    int minFunctionAddress() const override { return 0; }
    int maxFunctionAddress() const override { return 15; }
    int minData() const override { return 0; }
    int maxData() const override { return 255; }
};

} // namespace korvane
