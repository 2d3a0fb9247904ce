#include "pages/testmaintain.h"

#include <QDebug>

// Workbook import and export of the test and maintenance page. Not available yet:
// the buttons report that plainly instead of pretending to work.
void TestMaintain::on_But_Import_clicked()
{
    qWarning() << "workbook import is not available in this build";
}

void TestMaintain::on_Btu_Export_clicked()
{
    qWarning() << "workbook export is not available in this build";
}
