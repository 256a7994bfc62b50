// The rewrite as the windows use it: the core operation plus the messages of its reported
// failures.
#pragma once

#include "core/record.h"
#include "core/rewrite.h"
#include "platform/services.h"

#include <QString>

namespace records {

// Shows the message of a failure the rewrite reports by itself; nothing for None. `kind` is the
// tag of the records the file was to hold (kTagPerson or kTagCompany).
void reportRewriteFailure(platform::Services& services, const QString& file,
                          core::RewriteFailure failure, std::int32_t kind);
// The message for a file that is not a data file of the kind: "(Código 108)" for persons,
// "(Código 109)" for companies.
void reportWrongKind(platform::Services& services, bool persons);

// Insert (position < 0) or delete (position >= 0); the record number the new record received,
// -1 after a delete, core::kRewriteFailed when the data file was kept as it was. A data file
// of another kind, or no data file at all, is refused with the message of reportWrongKind.
std::int64_t ingresardatos(platform::Services& services, const QString& file,
                           const core::Record& record, std::int64_t position);
// Replaces record n by the edited record, re-filed by its name, in one rewrite.
std::int64_t modificar(platform::Services& services, const QString& file, std::int64_t n,
                       const core::Record& edited);
// The same for the record a window shows: only while record n is still `shown`; otherwise
// the person is told that another window changed the file, and core::kRecordChanged comes
// back with the file as it was.
std::int64_t eliminar(platform::Services& services, const QString& file, std::int64_t n,
                      const core::Record& shown);
std::int64_t modificar(platform::Services& services, const QString& file, std::int64_t n,
                       const core::Record& edited, const core::Record& shown);

// The name of a change of one record for the undo menu: "eliminar JUAN PEREZ".
std::string changeLabel(const std::string& verb, const core::Record& record);

} // namespace records
