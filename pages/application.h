#pragma once

#include "pages/parampage.h"

namespace Ui {
class Application;
}

class Application : public ParamPage
{
    Q_OBJECT

public:
    explicit Application(QWidget *parent = nullptr);
    ~Application() override;

private:
    Ui::Application *ui;
};
