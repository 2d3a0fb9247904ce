#pragma once

#include "pages/parampage.h"

namespace Ui {
class WeightCal;
}

class WeightCal : public ParamPage
{
    Q_OBJECT

public:
    explicit WeightCal(QWidget *parent = nullptr);
    ~WeightCal() override;

private:
    Ui::WeightCal *ui;
};
