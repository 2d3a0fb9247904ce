#include "pages/datatrans.h"

#include "ui_datatrans.h"

DataTrans::DataTrans(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::DataTrans)
{
    ui->setupUi(this);
}

DataTrans::~DataTrans()
{
    delete ui;
}
