#pragma once

#include "pages/parampage.h"

namespace Ui {
class MainInterface;
}

class MainInterface : public ParamPage
{
    Q_OBJECT

public:
    explicit MainInterface(QWidget *parent = nullptr);
    ~MainInterface() override;

private:
    Ui::MainInterface *ui;
};
