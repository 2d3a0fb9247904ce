#pragma once

#include "pages/parampage.h"

namespace Ui {
class TestMaintain;
}

class ExelToWrite;

class TestMaintain : public ParamPage
{
    Q_OBJECT

public:
    explicit TestMaintain(QWidget *parent = nullptr);
    ~TestMaintain() override;

private slots:
    // Workbook import and export (pages/testmaintain_workbook.cpp).
    void on_But_Import_clicked();
    void on_Btu_Export_clicked();

private:
    Ui::TestMaintain *ui;
    ExelToWrite *excelWorker = nullptr;
};
