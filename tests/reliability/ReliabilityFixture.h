// The media and mode tests' repository (MediaModeFixture), with one value
// at each level for the reliability tests to overwrite.
#ifndef VEXA_TESTS_RELIABILITY_RELIABILITYFIXTURE_H
#define VEXA_TESTS_RELIABILITY_RELIABILITYFIXTURE_H

#include "printer/MediaModeFixture.h"

namespace vexa {
namespace test {

using mm::kPrinter;
using repos::printer::MediaRepository;
using repos::printer::ModeRepository;
using repos::printer::PrinterReader;
using repos::printer::PrinterWriter;

class ReliabilityTest : public mm::MediaModeFixture {
  protected:
    void SetUp() override {
        MediaModeFixture::SetUp();
        makePrinter(kPrinter, "<node name=\"PortData\" value=\"0\"/>");
        makeMedia("<node name=\"JdfAlias\" value=\"start\"/>", {});
        makeMode("<node name=\"PrinterSettings\"><node name=\"Heater\" value=\"start\"/></node>");
    }
};

}  // namespace test
}  // namespace vexa

#endif  // VEXA_TESTS_RELIABILITY_RELIABILITYFIXTURE_H
