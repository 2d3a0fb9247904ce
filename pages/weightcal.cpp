#include "pages/weightcal.h"

#include "ui_weightcal.h"

WeightCal::WeightCal(QWidget *parent)
    : ParamPage(parent)
    , ui(new Ui::WeightCal)
{
    ui->setupUi(this);
}

WeightCal::~WeightCal()
{
    delete ui;
}
