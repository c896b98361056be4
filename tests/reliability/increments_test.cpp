// Read-modify-write through writers from many processes at once: the locks
// and the refresh of an outdated repository must lose no update.
#include "reliability/ReliabilityFixture.h"

#include <memory>
#include <vector>

namespace vexa {
namespace test {

TEST_F(ReliabilityTest, EightProcessesIncrementingOneValueLoseNoUpdate) {
    const int kProcesses = 8;
    const int kIncrements = 200;
    std::vector<std::unique_ptr<Child>> children;
    for (int p = 0; p < kProcesses; ++p) {
        children.emplace_back(new Child([&](Child& self) {
            self.await();  // all start together
            for (int i = 0; i < kIncrements; ++i) {
                boost::shared_ptr<PrinterWriter> writer;
                // Another process may hold the lock longer than a writer waits.
                while (!(writer = PrinterWriter::getWriter(toWx(kPrinter)))) {
                }
                long value = 0;
                if (!writer->getTextValue(wxT("Printer/PortData")).ToLong(&value)) {
                    return 2;
                }
                writer->setPortData(wxString::Format("%ld", value + 1));
                if (!writer->save()) {
                    return 3;
                }
            }
            return 0;
        }));
        ASSERT_TRUE(children.back()->started());
    }
    for (auto& child : children) {
        child->signal();
    }
    for (auto& child : children) {
        EXPECT_EQ(child->wait(), 0);
    }
    boost::shared_ptr<PrinterReader> reader = PrinterReader::getReader(toWx(kPrinter));
    ASSERT_TRUE(reader);
    EXPECT_EQ(toUtf8(reader->getPortData()), std::to_string(kProcesses * kIncrements));
}

}  // namespace test
}  // namespace vexa
