#include "support/fakes.h"

#include "core/ioerror.h"
#include "records/archivos.h"

#include <cerrno>

namespace testsupport {

void FakeInstanceStore::writeValue(const QString& name, int value) {
    if (failWrites)
        throw core::IoError(EACCES, name.toStdString());
    exists = true;
    values[name] = value;
    writes.emplace_back(name, value);
}

FakeServices::FakeServices() {
    records::initFileDialogs(fileDialogs);
}

} // namespace testsupport
