// Helpers shared by the fuzz targets and their replay test.
//
// A target reports a broken property through fuzzCheck. Under libFuzzer it
// prints the reason and aborts, so the fuzzer keeps the input; the replay
// test switches to throwing FuzzFailure instead, so one bad input fails one
// test with its reason rather than ending the whole run.
#ifndef VEXA_TESTS_FUZZ_FUZZSUPPORT_H
#define VEXA_TESTS_FUZZ_FUZZSUPPORT_H

#include <stdexcept>
#include <string>

#include "repos/NamedNode.h"
#include "repos/Settings.h"

namespace vexa {
namespace fuzz {

class FuzzFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Off (the default): fuzzCheck aborts. On: it throws FuzzFailure.
void setThrowOnFailure(bool on);

// Reports `what` as a broken property when `condition` is false.
void fuzzCheck(bool condition, const char* what);

// The tree `strategy` reads from `bytes`, or empty. Checks that the stream
// is rewound to its start afterwards.
repos::NamedNode::Ptr load(repos::ISettingsStrategy&& strategy, const std::string& bytes);

// True when both trees have the same names, attributes and children in the
// same order. Iterative: trees of any depth are fine.
bool sameTree(const repos::NamedNode::Ptr& left, const repos::NamedNode::Ptr& right);

}  // namespace fuzz
}  // namespace vexa

#endif  // VEXA_TESTS_FUZZ_FUZZSUPPORT_H
