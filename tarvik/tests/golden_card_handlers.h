#pragma once

// Golden-case rows for the card generators built on card lists. A case lists its cards as
//   card 17 2 2          one record per line, its fields in their order (CDwbInfo:
//                        channelBase cardNumber familyNumber; CLogInfo adds agat520;
//                        CFjnInfo: channelBase channels cardNumber familyNumber)
// plus the generator's flags (is945, ist, systemType).

#include <memory>

namespace tarvik {

class CModuleFileHandler;
class GoldenInput;

std::unique_ptr<CModuleFileHandler> goldenDwbFct(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenDwbCal(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenGat84(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenLog(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenBaq(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenYot(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenGiv(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenJel(const GoldenInput& input);
std::unique_ptr<CModuleFileHandler> goldenFjn(const GoldenInput& input);

} // namespace tarvik
