// Qt warns on every start in sessions without XDG_RUNTIME_DIR (root shells, containers, cron).
// Only that notice is dropped, matched by its text: a runtime folder that is set but unusable is
// still reported.
#include "cli/qt_notices.h"

#include <QString>
#include <QtGlobal>

namespace pictavia {

namespace {

QtMessageHandler previousHandler = nullptr;

void DropRuntimeDirNotice(QtMsgType Type, const QMessageLogContext& Context,
                          const QString& Message) {
  if (Type == QtWarningMsg &&
      Message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
    return;
  previousHandler(Type, Context, Message);
}

}  // namespace

void HideQtRuntimeDirNotice() {
  previousHandler = qInstallMessageHandler(DropRuntimeDirNotice);
}

}  // namespace pictavia
