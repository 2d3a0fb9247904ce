#include "pages/testmaintain.h"

#include "ui_testmaintain.h"

TestMaintain::TestMaintain(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::TestMaintain)
{
    ui->setupUi(this);
}

TestMaintain::~TestMaintain()
{
    delete ui;
}
