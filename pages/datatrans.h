#pragma once

#include "pages/parampage.h"

namespace Ui {
class DataTrans;
}

class DataTrans : public ParamPage
{
    Q_OBJECT

public:
    explicit DataTrans(QWidget *parent = nullptr);
    ~DataTrans() override;

private:
    Ui::DataTrans *ui;
};
