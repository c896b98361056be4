// Why a library call failed: the calling thread's last failure.
//
// Calls keep the results their contracts give (an empty handle, false);
// beside that result a failed call records its cause, which a host reads
// with lastFailure() on the same thread:
//
//   boost::shared_ptr<PrinterWriter> writer = PrinterWriter::getWriter(name);
//   if (!writer) {
//       const vexa::repos::Failure& why = vexa::repos::lastFailure();
//       // why.code: LOCKED, NOT_FOUND, PERMISSION_DENIED, ...
//       // why.message: one line naming the object, the file and the reason
//   }
//
// A successful call leaves the record as it was; clearFailure() empties it.
#ifndef VEXA_REPOS_FAILURE_H
#define VEXA_REPOS_FAILURE_H

#include "kernel/Failure.h"

namespace vexa {
namespace repos {

using kernel::clearFailure;
using kernel::Failure;
using kernel::FailureCode;
using kernel::failureCodeName;
using kernel::lastFailure;

}  // namespace repos
}  // namespace vexa

#endif  // VEXA_REPOS_FAILURE_H
