#pragma once

#include "pages/parampage.h"

namespace Ui {
class BasicConfig;
}

class BasicConfig : public ParamPage
{
    Q_OBJECT

public:
    explicit BasicConfig(QWidget *parent = nullptr);
    ~BasicConfig() override;

private:
    Ui::BasicConfig *ui;
};
