// Settings files come from disk, shares and other people's hands: reading
// one must never reach out to other files or the network, nor let a small
// file blow up into a huge one.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <wx/mstream.h>

#include <string>

#include "common/SettingsText.h"
#include "common/TestSupport.h"
#include "repos/XMLSettingsStrategy.h"
#include "types/TreeHelpers.h"

using vexa::repos::NamedNode;
using vexa::test::loadXml;

namespace {

const std::string kSecret = "TOP-SECRET-CALIBRATION-4711";

// Every name and attribute of the tree, as one text.
std::string allText(const NamedNode::Ptr& root) {
    return root ? vexa::test::dump(root) : std::string();
}

class XmlSafetyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        secret = dir.file("secret.txt");
        vexa::test::writeFile(secret, kSecret);
        vexa::test::writeFile(dir.file("secret.dtd"), "<!ENTITY leak SYSTEM \"file://" + secret +
                                                          "\">\n<!ENTITY % inner \"x\">");
    }
    vexa::test::TempDir dir;
    std::string secret;
};

}  // namespace

TEST_F(XmlSafetyTest, ExternalEntitiesOfEveryKindLeakNothing) {
    const std::string documents[] = {
        // A general entity naming a file, used in content and in a value.
        "<!DOCTYPE node [<!ENTITY e SYSTEM \"file://" + secret +
            "\">]>"
            "<node name=\"Printer\"><node name=\"A\">&e;</node></node>",
        "<!DOCTYPE node [<!ENTITY e SYSTEM \"" + secret + "\">]><node name=\"&e;\"/>",
        // A network address (nothing listens there; the reader must not try).
        "<!DOCTYPE node [<!ENTITY e SYSTEM \"http://127.0.0.1:9/secret\">]>"
        "<node name=\"Printer\">&e;</node>",
        // A parameter entity pulling in a file with further declarations.
        "<!DOCTYPE node [<!ENTITY % p SYSTEM \"file://" + dir.file("secret.dtd") +
            "\"> %p;]>"
            "<node name=\"Printer\" value=\"&leak;\"/>",
        // An external subset with the same declarations.
        "<!DOCTYPE node SYSTEM \"file://" + dir.file("secret.dtd") +
            "\">"
            "<node name=\"Printer\">&leak;</node>",
    };
    for (const std::string& document : documents) {
        NamedNode::Ptr root;
        EXPECT_NO_THROW(root = loadXml(document));
        EXPECT_EQ(allText(root).find(kSecret), std::string::npos) << document;
    }
}

TEST_F(XmlSafetyTest, EntityAmplificationIsRefusedInLittleMemory) {
    std::string laughs = "<!DOCTYPE node [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) {
            laughs += "&l" + std::to_string(i - 1) + ";";
        }
        laughs += "\">";
    }
    laughs += "]>";
    const std::string inValue = laughs + "<node name=\"Printer\" value=\"&l9;\"/>";
    const std::string inContent = laughs + "<node name=\"Printer\">&l9;</node>";
    for (const std::string& document : {inValue, inContent}) {
        struct rusage before;
        ::getrusage(RUSAGE_SELF, &before);
        NamedNode::Ptr root = loadXml(document);
        struct rusage after;
        ::getrusage(RUSAGE_SELF, &after);
        EXPECT_FALSE(root && root->getAttribute("value").length() > 100000u)
            << "a billion laughs must not expand";
        // A generous bound: a full expansion takes gigabytes.
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 512L * 1024) << "KiB of peak memory added";
    }
}
