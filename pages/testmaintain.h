#pragma once

#include "pages/parampage.h"

namespace Ui {
class TestMaintain;
}

class TestMaintain : public ParamPage
{
    Q_OBJECT

public:
    explicit TestMaintain(QWidget *parent = nullptr);
    ~TestMaintain() override;

private:
    Ui::TestMaintain *ui;
};
