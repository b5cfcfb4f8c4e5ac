#include "ui/app_style.h"

#include <QApplication>
#include <QStyleFactory>

// The resources live in a static library: they are registered by hand, from
// the global namespace as the macro requires.
static void InitTarvolinResources() { Q_INIT_RESOURCE(tarvolin); }

namespace tvn::ui {

void ApplyAppStyle(QApplication& app) {
    // Plain Qt controls in the Fusion style: the same look on every desktop
    // and under the offscreen platform the tests use.
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    InitTarvolinResources();
}

}  // namespace tvn::ui
