#include "ui/window/startup.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGlobal>

void initQ4Resources()
{
    Q_INIT_RESOURCE(q4config);
    Q_INIT_RESOURCE(translations);
}

void prepareHighDpi()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // Always on with Qt 6, where the attributes are deprecated.
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
#endif
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}
