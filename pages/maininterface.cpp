#include "pages/maininterface.h"

#include "ui_maininterface.h"

MainInterface::MainInterface(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::MainInterface)
{
    ui->setupUi(this);
}

MainInterface::~MainInterface()
{
    delete ui;
}
