#include "pages/basicconfig.h"

#include "ui_basicconfig.h"

BasicConfig::BasicConfig(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::BasicConfig)
{
    ui->setupUi(this);
}

BasicConfig::~BasicConfig()
{
    delete ui;
}
