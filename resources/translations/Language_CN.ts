<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
    <context>
        <name>Application</name>
        <message>
            <source>Form</source>
            <translation>窗体</translation>
        </message>
        <message>
            <source>Channel Select:</source>
            <translation>通道选择：</translation>
        </message>
        <message>
            <source>CH-1</source>
            <translation>CH-1</translation>
        </message>
        <message>
            <source>CH-2</source>
            <translation>CH-2</translation>
        </message>
        <message>
            <source>CH-3</source>
            <translation>CH-3</translation>
        </message>
        <message>
            <source>CH-4</source>
            <translation>CH-4</translation>
        </message>
        <message>
            <source>Input Config</source>
            <translation>输入配置</translation>
        </message>
        <message>
            <source>Input1</source>
            <translation>输入1</translation>
        </message>
        <message>
            <source>ms</source>
            <translation>ms</translation>
        </message>
        <message>
            <source>Input2</source>
            <translation>输入2</translation>
        </message>
        <message>
            <source>Input3</source>
            <translation>输入3</translation>
        </message>
        <message>
            <source>Input4</source>
            <translation>输入4</translation>
        </message>
        <message>
            <source>Output Config</source>
            <translation>输出配置</translation>
        </message>
        <message>
            <source>Output1</source>
            <translation>输出1</translation>
        </message>
        <message>
            <source>Output2</source>
            <translation>输出2</translation>
        </message>
        <message>
            <source>Output3</source>
            <translation>输出3</translation>
        </message>
        <message>
            <source>Output4</source>
            <translation>输出4</translation>
        </message>
        <message>
            <source>Output5</source>
            <translation>输出5</translation>
        </message>
        <message>
            <source>Output6</source>
            <translation>输出6</translation>
        </message>
        <message>
            <source>Output7</source>
            <translation>输出7</translation>
        </message>
        <message>
            <source>Output8</source>
            <translation>输出8</translation>
        </message>
        <message>
            <source>COMP Config</source>
            <translation>比较器配置</translation>
        </message>
        <message>
            <source>COMP 1</source>
            <translation>比较器 1</translation>
        </message>
        <message>
            <source>COMP CH   </source>
            <translation>比较通道：   </translation>
        </message>
        <message>
            <source>Channel-1</source>
            <translation>通道-1</translation>
        </message>
        <message>
            <source>Channel-2</source>
            <translation>通道-2</translation>
        </message>
        <message>
            <source>Channel-3</source>
            <translation>通道-3</translation>
        </message>
        <message>
            <source>Channel-4</source>
            <translation>通道-4</translation>
        </message>
        <message>
            <source>COMP Mode:</source>
            <translation>比较模式：</translation>
        </message>
        <message>
            <source>OFF </source>
            <translation>关闭 </translation>
        </message>
        <message>
            <source>W&lt;=CV1</source>
            <translation>W&lt;=CV1</translation>
        </message>
        <message>
            <source>W=CV1</source>
            <translation>W=CV1</translation>
        </message>
        <message>
            <source>W!=CV1</source>
            <translation>W!=CV1</translation>
        </message>
        <message>
            <source>W&gt;=CV1</source>
            <translation>W&gt;=CV1</translation>
        </message>
        <message>
            <source>CV1&lt;=W&lt;=CV2</source>
            <translation>CV1&lt;=W&lt;=CV2</translation>
        </message>
        <message>
            <source>W&lt;[CV1,CV2]&gt;W</source>
            <translation>W&lt;[CV1,CV2]&gt;W</translation>
        </message>
        <message>
            <source>COMP Value-1:</source>
            <translation>比较值1：</translation>
        </message>
        <message>
            <source>kg</source>
            <translation>kg</translation>
        </message>
        <message>
            <source>COMP Value-2:</source>
            <translation>比较值2：</translation>
        </message>
        <message>
            <source>ON COND.:</source>
            <translation>导通条件：</translation>
        </message>
        <message>
            <source>Immediately</source>
            <translation>立即</translation>
        </message>
        <message>
            <source>Stable</source>
            <translation>稳定</translation>
        </message>
        <message>
            <source>Debounce</source>
            <translation>防抖</translation>
        </message>
        <message>
            <source>TRUE JudgeT:</source>
            <translation>导通判定时间：</translation>
        </message>
        <message>
            <source>OFF COND.:</source>
            <translation>断开条件：</translation>
        </message>
        <message>
            <source>FALSE HoldT:</source>
            <translation>断开保持时间：</translation>
        </message>
        <message>
            <source>COMP 2</source>
            <translation>比较器 2</translation>
        </message>
        <message>
            <source>COMP 3</source>
            <translation>比较器 3</translation>
        </message>
        <message>
            <source>COMP 4</source>
            <translation>比较器 4</translation>
        </message>
        <message>
            <source>COMP 5</source>
            <translation>比较器 5</translation>
        </message>
        <message>
            <source>COMP 6</source>
            <translation>比较器 6</translation>
        </message>
        <message>
            <source>COMP 7</source>
            <translation>比较器 7</translation>
        </message>
        <message>
            <source>COMP 8</source>
            <translation>比较器 8</translation>
        </message>
        <message>
            <source>None</source>
            <translation>无</translation>
        </message>
        <message>
            <source>CH-1 Zero </source>
            <translation>CH-1 置零</translation>
        </message>
        <message>
            <source>CH-2 Zero </source>
            <translation>CH-2 置零</translation>
        </message>
        <message>
            <source>CH-3 Zero </source>
            <translation>CH-3 置零</translation>
        </message>
        <message>
            <source>CH-4 Zero </source>
            <translation>CH-4 置零</translation>
        </message>
        <message>
            <source>CH-1 CAL-Zero</source>
            <translation>CH-1 零点标定</translation>
        </message>
        <message>
            <source>CH-2 CAL-Zero</source>
            <translation>CH-2 零点标定</translation>
        </message>
        <message>
            <source>CH-3 CAL-Zero</source>
            <translation>CH-3 零点标定</translation>
        </message>
        <message>
            <source>CH-4 CAL-Zero</source>
            <translation>CH-4 零点标定</translation>
        </message>
        <message>
            <source>CH-1 Tare</source>
            <translation>CH-1 去皮</translation>
        </message>
        <message>
            <source>CH-2 Tare</source>
            <translation>CH-2 去皮</translation>
        </message>
        <message>
            <source>CH-3 Tare</source>
            <translation>CH-3 去皮</translation>
        </message>
        <message>
            <source>CH-4 Tare</source>
            <translation>CH-4 去皮</translation>
        </message>
        <message>
            <source>CH-1 Clear Tare</source>
            <translation>CH-1 清除皮重</translation>
        </message>
        <message>
            <source>CH-2 Clear Tare</source>
            <translation>CH-2 清除皮重</translation>
        </message>
        <message>
            <source>CH-3 Clear Tare</source>
            <translation>CH-3 清除皮重</translation>
        </message>
        <message>
            <source>CH-4 Clear Tare</source>
            <translation>CH-4 清除皮重</translation>
        </message>
        <message>
            <source>CH-1 Gross/Net</source>
            <translation>CH-1 毛重/净重</translation>
        </message>
        <message>
            <source>CH-2 Gross/Net</source>
            <translation>CH-2 毛重/净重</translation>
        </message>
        <message>
            <source>CH-3 Gross/Net</source>
            <translation>CH-3 毛重/净重</translation>
        </message>
        <message>
            <source>CH-4 Gross/Net</source>
            <translation>CH-4 毛重/净重</translation>
        </message>
        <message>
            <source>COMP-ON</source>
            <translation>比较器启用</translation>
        </message>
        <message>
            <source>COMP1</source>
            <translation>比较器1</translation>
        </message>
        <message>
            <source>COMP2</source>
            <translation>比较器2</translation>
        </message>
        <message>
            <source>COMP3</source>
            <translation>比较器3</translation>
        </message>
        <message>
            <source>COMP4</source>
            <translation>比较器4</translation>
        </message>
        <message>
            <source>COMP5</source>
            <translation>比较器5</translation>
        </message>
        <message>
            <source>COMP6</source>
            <translation>比较器6</translation>
        </message>
        <message>
            <source>COMP7</source>
            <translation>比较器7</translation>
        </message>
        <message>
            <source>COMP8</source>
            <translation>比较器8</translation>
        </message>
        <message>
            <source>CH-1 Stable</source>
            <translation>CH-1 稳定</translation>
        </message>
        <message>
            <source>CH-2 Stable</source>
            <translation>CH-2 稳定</translation>
        </message>
        <message>
            <source>CH-3 Stable</source>
            <translation>CH-3 稳定</translation>
        </message>
        <message>
            <source>CH-4 Stable</source>
            <translation>CH-4 稳定</translation>
        </message>
        <message>
            <source>CH-1 Zero</source>
            <translation>CH-1 零点</translation>
        </message>
        <message>
            <source>CH-2 Zero</source>
            <translation>CH-2 零点</translation>
        </message>
        <message>
            <source>CH-3 Zero</source>
            <translation>CH-3 零点</translation>
        </message>
        <message>
            <source>CH-4 Zero</source>
            <translation>CH-4 零点</translation>
        </message>
        <message>
            <source>CH-1 Net</source>
            <translation>CH-1 净重</translation>
        </message>
        <message>
            <source>CH-2 Net</source>
            <translation>CH-2 净重</translation>
        </message>
        <message>
            <source>CH-3 Net</source>
            <translation>CH-3 净重</translation>
        </message>
        <message>
            <source>CH-4 Net</source>
            <translation>CH-4 净重</translation>
        </message>
        <message>
            <source>CH-1 -SIGN</source>
            <translation>CH-1 负号</translation>
        </message>
        <message>
            <source>CH-2 -SIGN</source>
            <translation>CH-2 负号</translation>
        </message>
        <message>
            <source>CH-3 -SIGN</source>
            <translation>CH-3 负号</translation>
        </message>
        <message>
            <source>CH-4 -SIGN</source>
            <translation>CH-4 负号</translation>
        </message>
        <message>
            <source>Zero </source>
            <translation>置零</translation>
        </message>
        <message>
            <source>CAL-Zero</source>
            <translation>零点标定</translation>
        </message>
        <message>
            <source>Tare</source>
            <translation>去皮</translation>
        </message>
        <message>
            <source>Clear Tare</source>
            <translation>清除皮重</translation>
        </message>
        <message>
            <source>Gross/Net</source>
            <translation>毛重/净重</translation>
        </message>
        <message>
            <source>Stable </source>
            <translation>稳定 </translation>
        </message>
        <message>
            <source>Zero</source>
            <translation>零点</translation>
        </message>
        <message>
            <source>Net</source>
            <translation>净重</translation>
        </message>
        <message>
            <source>-SIGN</source>
            <translation>负号</translation>
        </message>
        <message>
            <source>Application remote editing switch off, on before submitting parameters!</source>
            <translation>应用参数远程修改开关已关闭，请先打开再提交参数！</translation>
        </message>
        <message>
            <source>Function:</source>
            <translation>功能：</translation>
        </message>
        <message>
            <source>Delay Time:</source>
            <translation>延时时间：</translation>
        </message>
    </context>
    <context>
        <name>AuditTrail</name>
        <message>
            <source>history not recorded: %1</source>
            <translation>历史未记录：%1</translation>
        </message>
    </context>
    <context>
        <name>BasicConfig</name>
        <message>
            <source>Form</source>
            <translation>窗体</translation>
        </message>
        <message>
            <source> Select Channel:</source>
            <translation> 选择通道：</translation>
        </message>
        <message>
            <source>Channel1</source>
            <translation>通道1</translation>
        </message>
        <message>
            <source>Channel2</source>
            <translation>通道2</translation>
        </message>
        <message>
            <source>Channel3</source>
            <translation>通道3</translation>
        </message>
        <message>
            <source>Channel4</source>
            <translation>通道4</translation>
        </message>
        <message>
            <source>Zero Config</source>
            <translation>零点设置</translation>
        </message>
        <message>
            <source>Zero Range:          </source>
            <translation>置零范围：          </translation>
        </message>
        <message>
            <source>%</source>
            <translation>%</translation>
        </message>
        <message>
            <source>Remote Zero:</source>
            <translation>远程置零：</translation>
        </message>
        <message>
            <source>OFF</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>ON</source>
            <translation>开启</translation>
        </message>
        <message>
            <source>PWR-On Zero:</source>
            <translation>上电置零：</translation>
        </message>
        <message>
            <source>Tare Config</source>
            <translation>皮重设置</translation>
        </message>
        <message>
            <source>Remote Tare:</source>
            <translation>远程去皮：</translation>
        </message>
        <message>
            <source>Tare Record:</source>
            <translation>皮重记忆：</translation>
        </message>
        <message>
            <source>NetSign COR:</source>
            <translation>净重符号修正：</translation>
        </message>
        <message>
            <source>Disable</source>
            <translation>禁用</translation>
        </message>
        <message>
            <source>CorrectTare</source>
            <translation>修正皮重</translation>
        </message>
        <message>
            <source>BackToGross</source>
            <translation>返回毛重</translation>
        </message>
        <message>
            <source>Preset Tare:</source>
            <translation>预置皮重：</translation>
        </message>
        <message>
            <source>kg</source>
            <translation>kg</translation>
        </message>
        <message>
            <source>Sample Filter</source>
            <translation>采样与滤波</translation>
        </message>
        <message>
            <source>Digit-Filter:          </source>
            <translation>数字滤波：          </translation>
        </message>
        <message>
            <source>Adv. Filter:</source>
            <translation>高级滤波：</translation>
        </message>
        <message>
            <source>d</source>
            <translation>d</translation>
        </message>
        <message>
            <source>Sample Rate:</source>
            <translation>采样速率：</translation>
        </message>
        <message>
            <source>50Hz</source>
            <translation>50Hz</translation>
        </message>
        <message>
            <source>60Hz</source>
            <translation>60Hz</translation>
        </message>
        <message>
            <source>100Hz</source>
            <translation>100Hz</translation>
        </message>
        <message>
            <source>120Hz</source>
            <translation>120Hz</translation>
        </message>
        <message>
            <source>200Hz</source>
            <translation>200Hz</translation>
        </message>
        <message>
            <source>240Hz</source>
            <translation>240Hz</translation>
        </message>
        <message>
            <source>400Hz</source>
            <translation>400Hz</translation>
        </message>
        <message>
            <source>480Hz</source>
            <translation>480Hz</translation>
        </message>
        <message>
            <source>800Hz</source>
            <translation>800Hz</translation>
        </message>
        <message>
            <source>960Hz</source>
            <translation>960Hz</translation>
        </message>
        <message>
            <source>STAB &amp; TrZero  </source>
            <translation>稳定与零点跟踪  </translation>
        </message>
        <message>
            <source>STAB Range:          </source>
            <translation>稳定范围：          </translation>
        </message>
        <message>
            <source>STAB Timer:</source>
            <translation>稳定时间：</translation>
        </message>
        <message>
            <source>ms</source>
            <translation>ms</translation>
        </message>
        <message>
            <source>TrZero Range:</source>
            <translation>零点跟踪范围：</translation>
        </message>
        <message>
            <source>TrZero Timer:</source>
            <translation>零点跟踪时间：</translation>
        </message>
        <message>
            <source>Sensor Signal</source>
            <translation>传感器信号</translation>
        </message>
        <message>
            <source>Input Range:          </source>
            <translation>输入范围：          </translation>
        </message>
        <message>
            <source>0-5 mV</source>
            <translation>0-5 mV</translation>
        </message>
        <message>
            <source>0-10 mV</source>
            <translation>0-10 mV</translation>
        </message>
        <message>
            <source>0-15 mV</source>
            <translation>0-15 mV</translation>
        </message>
        <message>
            <source>-5-5 mV</source>
            <translation>-5-5 mV</translation>
        </message>
        <message>
            <source>-10-10 mV</source>
            <translation>-10-10 mV</translation>
        </message>
        <message>
            <source>-15-15 mV</source>
            <translation>-15-15 mV</translation>
        </message>
        <message>
            <source>Other</source>
            <translation>其他</translation>
        </message>
        <message>
            <source>Tilt Threshold:</source>
            <translation>倾斜阈值：</translation>
        </message>
        <message>
            <source>Basic remote editing switch off, on before submitting parameters!</source>
            <translation>基本参数远程修改开关已关闭，请先打开再提交参数！</translation>
        </message>
    </context>
    <context>
        <name>CompareDialog</name>
        <message>
            <source>Address</source>
            <translation>地址</translation>
        </message>
        <message>
            <source>Count</source>
            <translation>寄存器数</translation>
        </message>
        <message>
            <source>Device</source>
            <translation>设备值</translation>
        </message>
        <message>
            <source>File</source>
            <translation>文件值</translation>
        </message>
        <message>
            <source>Parameter</source>
            <translation>参数</translation>
        </message>
        <message>
            <source>Import</source>
            <translation>导入</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>%1 rows differ from the device, %2 rows are the same.</source>
            <translation>%1 行与设备不同，%2 行相同。</translation>
        </message>
        <message>
            <source>unreadable</source>
            <translation>无法读取</translation>
        </message>
        <message>
            <source>Compare Workbook with Device</source>
            <translation>比较工作簿与设备</translation>
        </message>
        <message>
            <source>Version</source>
            <translation>版本值</translation>
        </message>
        <message>
            <source>Restore</source>
            <translation>恢复</translation>
        </message>
        <message>
            <source>Restore a Version</source>
            <translation>恢复版本</translation>
        </message>
    </context>
    <context>
        <name>DataTrans</name>
        <message>
            <source>Form</source>
            <translation>窗体</translation>
        </message>
        <message>
            <source>Channel Select:</source>
            <translation>通道选择：</translation>
        </message>
        <message>
            <source>CH-1</source>
            <translation>CH-1</translation>
        </message>
        <message>
            <source>CH-2</source>
            <translation>CH-2</translation>
        </message>
        <message>
            <source>CH-3</source>
            <translation>CH-3</translation>
        </message>
        <message>
            <source>CH-4</source>
            <translation>CH-4</translation>
        </message>
        <message>
            <source>COM-1</source>
            <translation>串口-1</translation>
        </message>
        <message>
            <source>COM ID:</source>
            <translation>站号：</translation>
        </message>
        <message>
            <source>Baudrate:</source>
            <translation>波特率：</translation>
        </message>
        <message>
            <source>4800</source>
            <translation>4800</translation>
        </message>
        <message>
            <source>9600</source>
            <translation>9600</translation>
        </message>
        <message>
            <source>19200</source>
            <translation>19200</translation>
        </message>
        <message>
            <source>38400</source>
            <translation>38400</translation>
        </message>
        <message>
            <source>57600</source>
            <translation>57600</translation>
        </message>
        <message>
            <source>115200</source>
            <translation>115200</translation>
        </message>
        <message>
            <source>Protocol:</source>
            <translation>协议：</translation>
        </message>
        <message>
            <source>Modbus-RTU</source>
            <translation>Modbus-RTU</translation>
        </message>
        <message>
            <source>KT-Cont</source>
            <translation>KT 连续输出</translation>
        </message>
        <message>
            <source>Data Format:</source>
            <translation>数据格式：</translation>
        </message>
        <message>
            <source>8-N-1</source>
            <translation>8-N-1</translation>
        </message>
        <message>
            <source>8-E-1</source>
            <translation>8-E-1</translation>
        </message>
        <message>
            <source>8-O-1</source>
            <translation>8-O-1</translation>
        </message>
        <message>
            <source>7-E-1</source>
            <translation>7-E-1</translation>
        </message>
        <message>
            <source>7-O-1</source>
            <translation>7-O-1</translation>
        </message>
        <message>
            <source>DwordFormat:</source>
            <translation>双字格式：</translation>
        </message>
        <message>
            <source>AB-CD</source>
            <translation>AB-CD</translation>
        </message>
        <message>
            <source>CD-AB</source>
            <translation>CD-AB</translation>
        </message>
        <message>
            <source>Send Gap:</source>
            <translation>发送间隔：</translation>
        </message>
        <message>
            <source>ms</source>
            <translation>ms</translation>
        </message>
        <message>
            <source>COM-2</source>
            <translation>串口-2</translation>
        </message>
        <message>
            <source>CAN ID:</source>
            <translation>CAN 站号：</translation>
        </message>
        <message>
            <source>100K</source>
            <translation>100K</translation>
        </message>
        <message>
            <source>125K</source>
            <translation>125K</translation>
        </message>
        <message>
            <source>250K</source>
            <translation>250K</translation>
        </message>
        <message>
            <source>500K</source>
            <translation>500K</translation>
        </message>
        <message>
            <source>1000K</source>
            <translation>1000K</translation>
        </message>
        <message>
            <source>Report Type:</source>
            <translation>报文类型：</translation>
        </message>
        <message>
            <source>Standard</source>
            <translation>标准帧</translation>
        </message>
        <message>
            <source>Report Content:</source>
            <translation>报文内容：</translation>
        </message>
        <message>
            <source>Weight</source>
            <translation>重量</translation>
        </message>
        <message>
            <source>Voltage</source>
            <translation>电压</translation>
        </message>
        <message>
            <source>Report Gap:</source>
            <translation>发送周期：</translation>
        </message>
        <message>
            <source>TCP-IP</source>
            <translation>TCP-IP</translation>
        </message>
        <message>
            <source>IP Config:</source>
            <translation>IP 地址：</translation>
        </message>
        <message>
            <source>.</source>
            <translation>.</translation>
        </message>
        <message>
            <source>Subnet Mask:</source>
            <translation>子网掩码：</translation>
        </message>
        <message>
            <source>Gateway:</source>
            <translation>网关：</translation>
        </message>
        <message>
            <source>Con. 1</source>
            <translation>连接 1</translation>
        </message>
        <message>
            <source>Con. 2</source>
            <translation>连接 2</translation>
        </message>
        <message>
            <source>Con. 3</source>
            <translation>连接 3</translation>
        </message>
        <message>
            <source>Con. 4</source>
            <translation>连接 4</translation>
        </message>
        <message>
            <source>Con. 5</source>
            <translation>连接 5</translation>
        </message>
        <message>
            <source>Con. 6</source>
            <translation>连接 6</translation>
        </message>
        <message>
            <source>Port:</source>
            <translation>端口：</translation>
        </message>
        <message>
            <source>AB CD</source>
            <translation>AB CD</translation>
        </message>
        <message>
            <source>CD AB</source>
            <translation>CD AB</translation>
        </message>
        <message>
            <source>Send Gap: </source>
            <translation>发送间隔： </translation>
        </message>
        <message>
            <source>Analog</source>
            <translation>模拟量输出</translation>
        </message>
        <message>
            <source>Analog Type</source>
            <translation>模拟量类型</translation>
        </message>
        <message>
            <source>Link Data</source>
            <translation>关联数据</translation>
        </message>
        <message>
            <source>CH-1:</source>
            <translation>CH-1：</translation>
        </message>
        <message>
            <source>0-5V</source>
            <translation>0-5V</translation>
        </message>
        <message>
            <source>0-10V</source>
            <translation>0-10V</translation>
        </message>
        <message>
            <source>4-20mA</source>
            <translation>4-20mA</translation>
        </message>
        <message>
            <source>0-20mA</source>
            <translation>0-20mA</translation>
        </message>
        <message>
            <source>0-24mA</source>
            <translation>0-24mA</translation>
        </message>
        <message>
            <source>-5-5V</source>
            <translation>-5-5V</translation>
        </message>
        <message>
            <source>-10-10V</source>
            <translation>-10-10V</translation>
        </message>
        <message>
            <source>Net</source>
            <translation>净重</translation>
        </message>
        <message>
            <source>Gross</source>
            <translation>毛重</translation>
        </message>
        <message>
            <source>CH-2:</source>
            <translation>CH-2：</translation>
        </message>
        <message>
            <source>CH-3:</source>
            <translation>CH-3：</translation>
        </message>
        <message>
            <source>CH-4:</source>
            <translation>CH-4：</translation>
        </message>
        <message>
            <source>Analog Type:</source>
            <translation>模拟量类型：</translation>
        </message>
        <message>
            <source>Link Data:</source>
            <translation>关联数据：</translation>
        </message>
        <message>
            <source>Data-Trans remote editing switch off, on before submitting parameters!</source>
            <translation>数据传输参数远程修改开关已关闭，请先打开再提交参数！</translation>
        </message>
        <message>
            <source>CANopen</source>
            <translation>CANopen</translation>
        </message>
        <message>
            <source>Extended</source>
            <translation>扩展帧</translation>
        </message>
        <message>
            <source>This is a setting of the port this program is connected through: writing it ends the connection. Write it, then reconnect with the new setting?</source>
            <translation>这是本程序当前通讯所用端口的设置：写入后连接将中断。是否写入，并用新设置重新连接？</translation>
        </message>
        <message>
            <source>This is a setting of the port this program is connected through: writing it ends the connection, and the program cannot reconnect through this port. Write it?</source>
            <translation>这是本程序当前通讯所用端口的设置：写入后连接将中断，且程序无法再通过此端口重新连接。是否写入？</translation>
        </message>
        <message>
            <source>This may be a setting of the port this program is connected through: writing it may end the connection. Write it? If the device then stops answering, the program reconnects with the new setting.</source>
            <translation>这可能是本程序当前通讯所用端口的设置：写入后连接可能中断。是否写入？如果之后设备不再应答，程序将用新设置重新连接。</translation>
        </message>
        <message>
            <source>This may be a setting of the port this program is connected through: writing it may end the connection. Write it?</source>
            <translation>这可能是本程序当前通讯所用端口的设置：写入后连接可能中断。是否写入？</translation>
        </message>
        <message>
            <source>Connection Setting</source>
            <translation>连接设置</translation>
        </message>
    </context>
    <context>
        <name>DeviceScan</name>
        <message>
            <source>Server addresses %1 to %2: give a range within 1 to 247, the first not above the last.</source>
            <translation>从站地址 %1 至 %2：请给出 1 至 247 之内的范围，起始地址不大于结束地址。</translation>
        </message>
        <message>
            <source>Probe time-out %1 ms: give %2 to %3 ms.</source>
            <translation>探测超时 %1 ms：请给出 %2 至 %3 ms。</translation>
        </message>
        <message>
            <source>Lost the link at server address %1: %2</source>
            <translation>在从站地址 %1 处连接中断：%2</translation>
        </message>
        <message>
            <source>The serial port %1 is gone (at server address %2).</source>
            <translation>串口 %1 已断开（在从站地址 %2 处）。</translation>
        </message>
        <message>
            <source>Cannot connect to %1: %2</source>
            <translation>无法连接到 %1：%2</translation>
        </message>
        <message>
            <source>no connection after %1 s</source>
            <translation>%1 秒后仍未连接</translation>
        </message>
        <message>
            <source>no connection</source>
            <translation>无连接</translation>
        </message>
    </context>
    <context>
        <name>ExelToWrite</name>
        <message>
            <source>error</source>
            <translation>错误</translation>
        </message>
        <message>
            <source>not an .xlsx workbook: save it as .xlsx</source>
            <translation>不是 .xlsx 工作簿：请另存为 .xlsx</translation>
        </message>
        <message>
            <source>%1: no such file</source>
            <translation>%1：文件不存在</translation>
        </message>
        <message>
            <source>%1 is a folder, not a workbook</source>
            <translation>%1 是文件夹，不是工作簿</translation>
        </message>
        <message>
            <source>%1: the file name is not valid UTF-8 (rename the file)</source>
            <translation>%1：文件名不是有效的 UTF-8（请重命名该文件）</translation>
        </message>
        <message>
            <source>%1 is not a regular file</source>
            <translation>%1 不是普通文件</translation>
        </message>
        <message>
            <source>%1: %2</source>
            <translation>%1：%2</translation>
        </message>
        <message>
            <source>%1 is not a readable .xlsx workbook</source>
            <translation>%1 不是可读取的 .xlsx 工作簿</translation>
        </message>
        <message>
            <source>%1 holds no worksheet</source>
            <translation>%1 中没有工作表</translation>
        </message>
        <message>
            <source>%1 has no worksheet "%2"</source>
            <translation>%1 中没有工作表“%2”</translation>
        </message>
        <message>
            <source>the worksheet "%1" of %2 is empty</source>
            <translation>%2 的工作表“%1”为空</translation>
        </message>
        <message>
            <source>no template %1</source>
            <translation>找不到模板 %1</translation>
        </message>
    </context>
    <context>
        <name>HelpDialog</name>
        <message>
            <source>Help and About – Q4 Config</source>
            <translation>帮助和关于 – Q4 Config</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>Licence</source>
            <translation>许可证</translation>
        </message>
        <message>
            <source>See the copyright file of the installed package (/usr/share/doc/q4config/copyright).</source>
            <translation>见已安装软件包的版权文件（/usr/share/doc/q4config/copyright）。</translation>
        </message>
        <message>
            <source>%1, as the copyright file of the package (/usr/share/doc/q4config/copyright) states.</source>
            <translation>%1，见软件包的版权文件（/usr/share/doc/q4config/copyright）。</translation>
        </message>
        <message>
            <source>Data folder in use</source>
            <translation>正在使用的数据文件夹</translation>
        </message>
        <message>
            <source>Settings</source>
            <translation>设置</translation>
        </message>
        <message>
            <source>Exports</source>
            <translation>导出</translation>
        </message>
        <message>
            <source>Templates</source>
            <translation>模板</translation>
        </message>
        <message>
            <source>Show the page "%1"</source>
            <translation>显示页面“%1”</translation>
        </message>
        <message>
            <source>Quit (asks first while a workbook import or export runs)</source>
            <translation>退出（工作簿导入或导出进行时先询问）</translation>
        </message>
        <message>
            <source>Tab, Shift+Tab</source>
            <translation>Tab、Shift+Tab</translation>
        </message>
        <message>
            <source>Next, previous control</source>
            <translation>下一个、上一个控件</translation>
        </message>
        <message>
            <source>Return</source>
            <translation>回车</translation>
        </message>
        <message>
            <source>Presses the focused button; writes the value of a field; connects on the connection page</source>
            <translation>按下有焦点的按钮；写入输入框的值；在连接页面上连接</translation>
        </message>
        <message>
            <source>Keyboard</source>
            <translation>键盘</translation>
        </message>
        <message>
            <source>Manual</source>
            <translation>手册</translation>
        </message>
        <message>
            <source>The manual page q4config(1) ("man q4config") describes every command-line option; README.md of the source describes the program, the simulator and the connection of a real transmitter.</source>
            <translation>手册页 q4config(1)（“man q4config”）说明每个命令行选项；源代码中的 README.md 说明本程序、模拟器以及真实变送器的连接。</translation>
        </message>
        <message>
            <source>Configuration and monitoring of KTT-Q4 weighing transmitters over Modbus RTU, Modbus TCP or Modbus RTU over TCP.</source>
            <translation>通过 Modbus RTU、Modbus TCP 或 Modbus RTU over TCP 配置和监视 KTT-Q4 称重变送器。</translation>
        </message>
    </context>
    <context>
        <name>HistoryRecorder</name>
        <message>
            <source>history not recorded: %1</source>
            <translation>历史未记录：%1</translation>
        </message>
        <message>
            <source>cannot read the device's serial number (%1)</source>
            <translation>无法读取设备序列号（%1）</translation>
        </message>
        <message>
            <source>no answer</source>
            <translation>无应答</translation>
        </message>
        <message>
            <source>no connection</source>
            <translation>无连接</translation>
        </message>
        <message>
            <source>refused</source>
            <translation>被拒绝</translation>
        </message>
        <message>
            <source>the device's serial number %1 is not readable</source>
            <translation>设备序列号 %1 无法识别</translation>
        </message>
        <message>
            <source>the device's serial number is not known</source>
            <translation>设备序列号未知</translation>
        </message>
    </context>
    <context>
        <name>HistoryStore</name>
        <message>
            <source>line %1: unterminated quote</source>
            <translation>第 %1 行：引号未闭合</translation>
        </message>
        <message>
            <source>line %1: text after a closing quote</source>
            <translation>第 %1 行：闭合引号后还有文字</translation>
        </message>
        <message>
            <source>line %1: a quote inside an unquoted field</source>
            <translation>第 %1 行：未加引号的字段中有引号</translation>
        </message>
        <message>
            <source>line 1: not the header %1</source>
            <translation>第 1 行：不是表头 %1</translation>
        </message>
        <message>
            <source>line %1: %2 fields instead of %3</source>
            <translation>第 %1 行：有 %2 个字段，应为 %3 个</translation>
        </message>
        <message>
            <source>line %1: address or count is not a number</source>
            <translation>第 %1 行：地址或寄存器数不是数字</translation>
        </message>
        <message>
            <source>line %1: time or address is not readable</source>
            <translation>第 %1 行：时间或地址无法读取</translation>
        </message>
        <message>
            <source>no remote to push to (add one named origin with git remote add)</source>
            <translation>没有可推送的远程仓库（请用 git remote add 添加名为 origin 的远程仓库）</translation>
        </message>
        <message>
            <source>cannot use the remote %1 (%2)</source>
            <translation>无法使用远程仓库 %1（%2）</translation>
        </message>
        <message>
            <source>nothing to push yet (%1)</source>
            <translation>尚无可推送的内容（%1）</translation>
        </message>
        <message>
            <source>push to %1 failed: %2</source>
            <translation>推送到 %1 失败：%2</translation>
        </message>
        <message>
            <source>cannot read the history (%1)</source>
            <translation>无法读取历史记录（%1）</translation>
        </message>
        <message>
            <source>no device %1</source>
            <translation>没有设备 %1</translation>
        </message>
        <message>
            <source>no version %1 (%2)</source>
            <translation>没有版本 %1（%2）</translation>
        </message>
        <message>
            <source>%1 is not a version (%2)</source>
            <translation>%1 不是一个版本（%2）</translation>
        </message>
        <message>
            <source>cannot read version %1 (%2)</source>
            <translation>无法读取版本 %1（%2）</translation>
        </message>
        <message>
            <source>version %1 has no %2</source>
            <translation>版本 %1 中没有 %2</translation>
        </message>
        <message>
            <source>cannot read %1 of version %2 (%3)</source>
            <translation>无法读取版本 %2 的 %1（%3）</translation>
        </message>
        <message>
            <source>%1 of version %2 is corrupt: %3</source>
            <translation>版本 %2 的 %1 已损坏：%3</translation>
        </message>
        <message>
            <source>%1 is corrupt: %2</source>
            <translation>%1 已损坏：%2</translation>
        </message>
        <message>
            <source>locked by another program for more than %1 s</source>
            <translation>被另一个程序锁定超过 %1 秒</translation>
        </message>
        <message>
            <source>not writable (%1)</source>
            <translation>不可写入（%1）</translation>
        </message>
        <message>
            <source>history store %1: %2</source>
            <translation>历史记录库 %1：%2</translation>
        </message>
        <message>
            <source>the repository is broken (%1)</source>
            <translation>仓库已损坏（%1）</translation>
        </message>
        <message>
            <source>there is no history here yet</source>
            <translation>这里还没有历史记录</translation>
        </message>
        <message>
            <source>a bare repository; the history needs one with a working folder</source>
            <translation>这是裸仓库；历史记录需要带工作目录的仓库</translation>
        </message>
        <message>
            <source>cannot create the folder</source>
            <translation>无法创建文件夹</translation>
        </message>
        <message>
            <source>the folder holds other files and no Git repository</source>
            <translation>该文件夹中有其他文件，且不是 Git 仓库</translation>
        </message>
        <message>
            <source>cannot create the repository (%1)</source>
            <translation>无法创建仓库（%1）</translation>
        </message>
        <message>
            <source>no serial number to record the version under</source>
            <translation>没有序列号，无法记录版本</translation>
        </message>
        <message>
            <source>cannot record a version of %1 (%2)</source>
            <translation>无法记录 %1 的版本（%2）</translation>
        </message>
        <message>
            <source>no serial number to record the write under</source>
            <translation>没有序列号，无法记录写入操作</translation>
        </message>
        <message>
            <source>cannot write the audit of %1 (%2)</source>
            <translation>无法写入 %1 的审计记录（%2）</translation>
        </message>
    </context>
    <context>
        <name>HistoryWindow</name>
        <message>
            <source>Configuration History</source>
            <translation>配置历史</translation>
        </message>
        <message>
            <source>Device:</source>
            <translation>设备：</translation>
        </message>
        <message>
            <source>History folder:</source>
            <translation>历史文件夹：</translation>
        </message>
        <message>
            <source>Change...</source>
            <translation>更改...</translation>
        </message>
        <message>
            <source>Choose the folder of the configuration history</source>
            <translation>选择配置历史的文件夹</translation>
        </message>
        <message>
            <source>Default</source>
            <translation>默认</translation>
        </message>
        <message>
            <source>Use History in the data folder again</source>
            <translation>重新使用数据文件夹中的 History</translation>
        </message>
        <message>
            <source>Choose one version to see what it changed, or two to compare them</source>
            <translation>选择一个版本查看其更改，或选择两个版本进行比较</translation>
        </message>
        <message>
            <source>Version</source>
            <translation>版本</translation>
        </message>
        <message>
            <source>Time</source>
            <translation>时间</translation>
        </message>
        <message>
            <source>Author</source>
            <translation>作者</translation>
        </message>
        <message>
            <source>Message</source>
            <translation>说明</translation>
        </message>
        <message>
            <source>Changes</source>
            <translation>更改</translation>
        </message>
        <message>
            <source>Address</source>
            <translation>地址</translation>
        </message>
        <message>
            <source>Parameter</source>
            <translation>参数</translation>
        </message>
        <message>
            <source>Old</source>
            <translation>原值</translation>
        </message>
        <message>
            <source>New</source>
            <translation>新值</translation>
        </message>
        <message>
            <source>Writes</source>
            <translation>写入记录</translation>
        </message>
        <message>
            <source>Filter:</source>
            <translation>筛选：</translation>
        </message>
        <message>
            <source>Name, source, result, user...</source>
            <translation>名称、来源、结果、用户...</translation>
        </message>
        <message>
            <source>Restore...</source>
            <translation>恢复...</translation>
        </message>
        <message>
            <source>Write the chosen version back into the device: the rows that differ are shown first</source>
            <translation>将所选版本写回设备：先显示不同的行</translation>
        </message>
        <message>
            <source>Refresh</source>
            <translation>刷新</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>Given with --history-dir</source>
            <translation>由 --history-dir 指定</translation>
        </message>
        <message>
            <source>no device</source>
            <translation>无设备</translation>
        </message>
        <message>
            <source>No versions of this device yet (%1).</source>
            <translation>该设备尚无版本（%1）。</translation>
        </message>
        <message>
            <source>User</source>
            <translation>用户</translation>
        </message>
        <message>
            <source>Source</source>
            <translation>来源</translation>
        </message>
        <message>
            <source>Result</source>
            <translation>结果</translation>
        </message>
        <message>
            <source>Choose a version to see what it changed, or two to compare them.</source>
            <translation>选择一个版本查看其更改，或选择两个版本进行比较。</translation>
        </message>
        <message>
            <source>Rows changed from version %1 to version %2: %3</source>
            <translation>从版本 %1 到版本 %2 更改的行：%3</translation>
        </message>
        <message>
            <source>The first version %1 of this device: %2 rows</source>
            <translation>该设备的第一个版本 %1：%2 行</translation>
        </message>
        <message>
            <source>History Folder</source>
            <translation>历史文件夹</translation>
        </message>
        <message>
            <source>The history folder could not be saved in the settings.</source>
            <translation>无法在设置中保存历史文件夹。</translation>
        </message>
    </context>
    <context>
        <name>ImportLinkCheck</name>
        <message>
            <source>server address</source>
            <translation>站号</translation>
        </message>
        <message>
            <source>baud rate</source>
            <translation>波特率</translation>
        </message>
        <message>
            <source>data format</source>
            <translation>数据格式</translation>
        </message>
        <message>
            <source>IP address</source>
            <translation>IP 地址</translation>
        </message>
        <message>
            <source>port</source>
            <translation>端口</translation>
        </message>
        <message>
            <source>protocol</source>
            <translation>协议</translation>
        </message>
        <message>
            <source>the Ethernet interface</source>
            <translation>以太网接口</translation>
        </message>
        <message>
            <source>the serial port</source>
            <translation>串口</translation>
        </message>
        <message>
            <source>This import changes %1 this program is connected through (%2). The connection will be lost. Import and reconnect with the new settings?</source>
            <translation>此次导入将更改本程序当前通讯所用的%1（%2）。连接将会中断。是否导入并用新设置重新连接？</translation>
        </message>
        <message>
            <source>This import changes %1 this program is connected through (%2). The connection will be lost, and the program cannot reconnect with the new settings. Import?</source>
            <translation>此次导入将更改本程序当前通讯所用的%1（%2）。连接将会中断，且程序无法用新设置重新连接。是否导入？</translation>
        </message>
        <message>
            <source>This import may change %1 this program is connected through (%2). The connection may be lost. Import? If the device then stops answering, the program reconnects with the new settings.</source>
            <translation>此次导入可能更改本程序当前通讯所用的%1（%2）。连接可能中断。是否导入？如果之后设备不再应答，程序将用新设置重新连接。</translation>
        </message>
        <message>
            <source>This import may change %1 this program is connected through (%2). The connection may be lost. Import?</source>
            <translation>此次导入可能更改本程序当前通讯所用的%1（%2）。连接可能中断。是否导入？</translation>
        </message>
        <message>
            <source>Import and reconnect</source>
            <translation>导入并重新连接</translation>
        </message>
        <message>
            <source>Import</source>
            <translation>导入</translation>
        </message>
        <message>
            <source>Connection Setting</source>
            <translation>连接设置</translation>
        </message>
    </context>
    <context>
        <name>InputDialog</name>
        <message>
            <source>Please Input:</source>
            <translation>请输入：</translation>
        </message>
        <message>
            <source>Confirm</source>
            <translation>确认</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>取消</translation>
        </message>
        <message>
            <source>Input</source>
            <translation>输入</translation>
        </message>
        <message>
            <source>Title</source>
            <translation>标题</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
    </context>
    <context>
        <name>MainInterface</name>
        <message>
            <source>Form</source>
            <translation>窗体</translation>
        </message>
        <message>
            <source>Monitoring Curve1:</source>
            <translation>监控曲线1：</translation>
        </message>
        <message>
            <source>Gross</source>
            <translation>毛重</translation>
        </message>
        <message>
            <source>Net</source>
            <translation>净重</translation>
        </message>
        <message>
            <source>Tare</source>
            <translation>皮重</translation>
        </message>
        <message>
            <source>Sensor Voltage</source>
            <translation>传感器电压</translation>
        </message>
        <message>
            <source>Gain Voltage</source>
            <translation>放大电压</translation>
        </message>
        <message>
            <source>Pause</source>
            <translation>暂停</translation>
        </message>
        <message>
            <source>Sensor Volt</source>
            <translation>传感器电压</translation>
        </message>
        <message>
            <source>Gain Volt</source>
            <translation>放大电压</translation>
        </message>
        <message>
            <source>Start</source>
            <translation>开始</translation>
        </message>
        <message>
            <source>Real Time/s</source>
            <translation>实时时间/s</translation>
        </message>
        <message>
            <source>Record the four curves to a CSV file</source>
            <translation>将四条曲线录制到 CSV 文件</translation>
        </message>
        <message>
            <source>Record</source>
            <translation>录制曲线</translation>
        </message>
        <message>
            <source>Save the four charts as one PNG picture</source>
            <translation>将四个曲线图保存为一张 PNG 图片</translation>
        </message>
        <message>
            <source>Save Curves</source>
            <translation>保存曲线</translation>
        </message>
        <message>
            <source>Tip</source>
            <translation>提示</translation>
        </message>
        <message>
            <source>Stop %1</source>
            <translation>停止 %1</translation>
        </message>
        <message>
            <source>Record Curves</source>
            <translation>录制曲线</translation>
        </message>
        <message>
            <source>CSV Files (*.csv)</source>
            <translation>CSV 文件 (*.csv)</translation>
        </message>
        <message>
            <source>PNG Images (*.png)</source>
            <translation>PNG 图片 (*.png)</translation>
        </message>
        <message>
            <source>Monitoring Curve2:</source>
            <translation>监控曲线2：</translation>
        </message>
        <message>
            <source>Monitoring Curve3:</source>
            <translation>监控曲线3：</translation>
        </message>
        <message>
            <source>Monitoring Curve4:</source>
            <translation>监控曲线4：</translation>
        </message>
    </context>
    <context>
        <name>MainWindow</name>
        <message>
            <source>|</source>
            <translation>|</translation>
        </message>
        <message>
            <source>Lumo Q4 Config System</source>
            <translation>Lumo Q4 配置系统</translation>
        </message>
        <message>
            <source>EN/CH</source>
            <translation>英/中</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>Main Interface</source>
            <translation>主界面</translation>
        </message>
        <message>
            <source>Basic Config</source>
            <translation>基本配置</translation>
        </message>
        <message>
            <source>Weight CAL</source>
            <translation>重量标定</translation>
        </message>
        <message>
            <source>Application</source>
            <translation>应用配置</translation>
        </message>
        <message>
            <source>Data Trans</source>
            <translation>数据传输</translation>
        </message>
        <message>
            <source>Test Maintain</source>
            <translation>测试维护</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Weight&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;重量&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Sensor Voltage&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;传感器电压&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Error Message&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;错误信息&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Sensor Pressure&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;传感器受力&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Channel 1:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;通道1：&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Channel 2:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;通道2：&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Channel 3:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;通道3：&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Channel 4:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;通道4：&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;Combined Weight&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
            <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=" font-weight:600;"&gt;组合重量&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
        </message>
        <message>
            <source>Protocol:</source>
            <translation>协议：</translation>
        </message>
        <message>
            <source>Slave ID:</source>
            <translation>从站地址：</translation>
        </message>
        <message>
            <source>DwordFormat:</source>
            <translation>双字格式：</translation>
        </message>
        <message>
            <source>Delay:</source>
            <translation>响应时间：</translation>
        </message>
        <message>
            <source>Setting</source>
            <translation>设置</translation>
        </message>
        <message>
            <source>Disconnect</source>
            <translation>断开连接</translation>
        </message>
        <message>
            <source>&amp;Connect</source>
            <translation>连接(&amp;C)</translation>
        </message>
        <message>
            <source>&amp;Disconnect</source>
            <translation>断开(&amp;D)</translation>
        </message>
        <message>
            <source>&amp;Quit</source>
            <translation>退出(&amp;Q)</translation>
        </message>
        <message>
            <source>&amp;Options</source>
            <translation>选项(&amp;O)</translation>
        </message>
        <message>
            <source>123</source>
            <translation>123</translation>
        </message>
        <message>
            <source>Port: </source>
            <translation>端口号：</translation>
        </message>
        <message>
            <source>Communication-Error</source>
            <translation>通讯错误</translation>
        </message>
        <message>
            <source>Communication-Normal</source>
            <translation>通讯正常</translation>
        </message>
        <message>
            <source>N</source>
            <translation>N</translation>
        </message>
        <message>
            <source>Loadcell Over</source>
            <translation>传感器信号正溢出</translation>
        </message>
        <message>
            <source>Loadcell Under</source>
            <translation>传感器信号负溢出</translation>
        </message>
        <message>
            <source>Channel Close</source>
            <translation>通道关闭</translation>
        </message>
        <message>
            <source>%1#</source>
            <translation>%1#</translation>
        </message>
        <message>
            <source>%1Channel Error</source>
            <translation>%1通道错误</translation>
        </message>
        <message>
            <source>Multi-Channel Error</source>
            <translation>多通道错误</translation>
        </message>
        <message>
            <source>Tank Tilt</source>
            <translation>罐体倾斜</translation>
        </message>
        <message>
            <source>Over Full Scale</source>
            <translation>超最大量程</translation>
        </message>
        <message>
            <source>Weight Under Limit</source>
            <translation>重量负溢出</translation>
        </message>
        <message>
            <source>Traffic</source>
            <translation>通讯记录</translation>
        </message>
        <message>
            <source>Every Modbus transaction, with statistics</source>
            <translation>每一次 Modbus 通讯及其统计</translation>
        </message>
        <message>
            <source>Help and About (F1)</source>
            <translation>帮助和关于 (F1)</translation>
        </message>
        <message>
            <source>Help</source>
            <translation>帮助</translation>
        </message>
        <message>
            <source>Switch language (English/Chinese)</source>
            <translation>切换语言（英文/中文）</translation>
        </message>
        <message>
            <source>Minimise</source>
            <translation>最小化</translation>
        </message>
        <message>
            <source>Maximise/Restore</source>
            <translation>最大化/还原</translation>
        </message>
        <message>
            <source>Maximise or restore</source>
            <translation>最大化或还原</translation>
        </message>
        <message>
            <source>%1 – %2, address %3</source>
            <translation>%1 – %2，地址 %3</translation>
        </message>
        <message>
            <source>Quit</source>
            <translation>退出</translation>
        </message>
        <message>
            <source>A workbook import or export is running. Stop it and quit?</source>
            <translation>工作簿导入或导出正在进行。停止并退出吗？</translation>
        </message>
        <message>
            <source>Help and About</source>
            <translation>帮助和关于</translation>
        </message>
        <message>
            <source>Traffic log</source>
            <translation>通讯记录</translation>
        </message>
        <message>
            <source>Cannot write the traffic log %1: %2.
Traffic logging has stopped.</source>
            <translation>无法写入通讯记录文件 %1：%2。
已停止记录通讯。</translation>
        </message>
        <message>
            <source>No answer from the device: these are the last values read.</source>
            <translation>设备无应答：显示的是最后一次读到的数值。</translation>
        </message>
        <message>
            <source>Configuration History</source>
            <translation>配置历史</translation>
        </message>
    </context>
    <context>
        <name>ModbusParaSetDialog</name>
        <message>
            <source>Connection Configuration</source>
            <translation>连接配置</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>Protocol:</source>
            <translation>协议：</translation>
        </message>
        <message>
            <source>Modbus RTU</source>
            <translation>Modbus RTU</translation>
        </message>
        <message>
            <source>Modbus TCP</source>
            <translation>Modbus TCP</translation>
        </message>
        <message>
            <source>Host IP:</source>
            <translation>主机 IP：</translation>
        </message>
        <message>
            <source>Port:</source>
            <translation>端口：</translation>
        </message>
        <message>
            <source>1 - 65535</source>
            <translation>1 - 65535</translation>
        </message>
        <message>
            <source>Serial:</source>
            <translation>串口：</translation>
        </message>
        <message>
            <source>Slave ID:</source>
            <translation>从站地址：</translation>
        </message>
        <message>
            <source>1 - 99</source>
            <translation>1 - 99</translation>
        </message>
        <message>
            <source>Dword Format:</source>
            <translation>双字格式：</translation>
        </message>
        <message>
            <source>AB-CD</source>
            <translation>AB-CD</translation>
        </message>
        <message>
            <source>CD-AB</source>
            <translation>CD-AB</translation>
        </message>
        <message>
            <source>Delay:</source>
            <translation>响应时间：</translation>
        </message>
        <message>
            <source>50 - 1000ms</source>
            <translation>50 - 1000ms</translation>
        </message>
        <message>
            <source>Baud Rate:</source>
            <translation>波特率：</translation>
        </message>
        <message>
            <source>4800</source>
            <translation>4800</translation>
        </message>
        <message>
            <source>9600</source>
            <translation>9600</translation>
        </message>
        <message>
            <source>19200</source>
            <translation>19200</translation>
        </message>
        <message>
            <source>38400</source>
            <translation>38400</translation>
        </message>
        <message>
            <source>57600</source>
            <translation>57600</translation>
        </message>
        <message>
            <source>115200</source>
            <translation>115200</translation>
        </message>
        <message>
            <source>Data Bits:</source>
            <translation>数据位：</translation>
        </message>
        <message>
            <source>7</source>
            <translation>7</translation>
        </message>
        <message>
            <source>8</source>
            <translation>8</translation>
        </message>
        <message>
            <source>Parity:</source>
            <translation>校验位：</translation>
        </message>
        <message>
            <source>NONE</source>
            <translation>无校验</translation>
        </message>
        <message>
            <source>EVEN</source>
            <translation>偶校验</translation>
        </message>
        <message>
            <source>ODD</source>
            <translation>奇校验</translation>
        </message>
        <message>
            <source>Stop Bits:</source>
            <translation>停止位：</translation>
        </message>
        <message>
            <source>1</source>
            <translation>1</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>确定</translation>
        </message>
        <message>
            <source>Modbus RTU over TCP</source>
            <translation>Modbus RTU over TCP</translation>
        </message>
    </context>
    <context>
        <name>ModbusSetting</name>
        <message>
            <source>MainWindow</source>
            <translation>主窗口</translation>
        </message>
        <message>
            <source>Connection Setup</source>
            <translation>连接设置</translation>
        </message>
        <message>
            <source>Protocol:</source>
            <translation>协议：</translation>
        </message>
        <message>
            <source>Modbus RTU</source>
            <translation>Modbus RTU</translation>
        </message>
        <message>
            <source>Modbus TCP</source>
            <translation>Modbus TCP</translation>
        </message>
        <message>
            <source>Serial:</source>
            <translation>串口：</translation>
        </message>
        <message>
            <source>Slave ID:</source>
            <translation>从站地址：</translation>
        </message>
        <message>
            <source>1 - 99</source>
            <translation>1 - 99</translation>
        </message>
        <message>
            <source>Baud Rate:</source>
            <translation>波特率：</translation>
        </message>
        <message>
            <source>4800</source>
            <translation>4800</translation>
        </message>
        <message>
            <source>9600</source>
            <translation>9600</translation>
        </message>
        <message>
            <source>19200</source>
            <translation>19200</translation>
        </message>
        <message>
            <source>38400</source>
            <translation>38400</translation>
        </message>
        <message>
            <source>57600</source>
            <translation>57600</translation>
        </message>
        <message>
            <source>115200</source>
            <translation>115200</translation>
        </message>
        <message>
            <source>Data Bits:</source>
            <translation>数据位：</translation>
        </message>
        <message>
            <source>7</source>
            <translation>7</translation>
        </message>
        <message>
            <source>8</source>
            <translation>8</translation>
        </message>
        <message>
            <source>Parity:</source>
            <translation>校验位：</translation>
        </message>
        <message>
            <source>NONE</source>
            <translation>无校验</translation>
        </message>
        <message>
            <source>EVEN</source>
            <translation>偶校验</translation>
        </message>
        <message>
            <source>ODD</source>
            <translation>奇校验</translation>
        </message>
        <message>
            <source>Stop Bits:</source>
            <translation>停止位：</translation>
        </message>
        <message>
            <source>1</source>
            <translation>1</translation>
        </message>
        <message>
            <source>2</source>
            <translation>2</translation>
        </message>
        <message>
            <source>HOST IP:</source>
            <translation>主机 IP：</translation>
        </message>
        <message>
            <source>192.168.101.1</source>
            <translation>192.168.101.1</translation>
        </message>
        <message>
            <source>502</source>
            <translation>502</translation>
        </message>
        <message>
            <source>1 - 65535</source>
            <translation>1 - 65535</translation>
        </message>
        <message>
            <source>Dword Format:</source>
            <translation>双字格式：</translation>
        </message>
        <message>
            <source>AB-CD</source>
            <translation>AB-CD</translation>
        </message>
        <message>
            <source>CD-AB</source>
            <translation>CD-AB</translation>
        </message>
        <message>
            <source>Delay:</source>
            <translation>响应时间：</translation>
        </message>
        <message>
            <source>50 - 1000ms</source>
            <translation>50 - 1000ms</translation>
        </message>
        <message>
            <source> ms</source>
            <translation> ms</translation>
        </message>
        <message>
            <source>Connect</source>
            <translation>连接</translation>
        </message>
        <message>
            <source>Version: 1.0.0</source>
            <translation>版本：1.0.0</translation>
        </message>
        <message>
            <source>Lumo Q4 Config System - configuration and monitoring of KTT-Q4 weighing transmitters</source>
            <translation>Lumo Q4 配置系统 - KTT-Q4 称重变送器的配置与监控</translation>
        </message>
        <message>
            <source>Scan</source>
            <translation>扫描</translation>
        </message>
        <message>
            <source>Find the devices on this link</source>
            <translation>查找此连接上的设备</translation>
        </message>
        <message>
            <source>Port:</source>
            <translation>端口：</translation>
        </message>
        <message>
            <source>Modbus RTU over TCP</source>
            <translation>Modbus RTU over TCP</translation>
        </message>
    </context>
    <context>
        <name>QObject</name>
        <message>
            <source>Reset Successful!</source>
            <translation>复位成功！</translation>
        </message>
        <message>
            <source>Import Successful!</source>
            <translation>导入成功！</translation>
        </message>
        <message>
            <source>Export Successful!</source>
            <translation>导出成功！</translation>
        </message>
        <message>
            <source>Sample Done!</source>
            <translation>采样完成！</translation>
        </message>
        <message>
            <source>Reset Failed!</source>
            <translation>复位失败！</translation>
        </message>
        <message>
            <source>Password Failed!</source>
            <translation>密码错误！</translation>
        </message>
        <message>
            <source>Operation Failed,Please try again!</source>
            <translation>操作失败，请重试！</translation>
        </message>
        <message>
            <source>Import Failed!</source>
            <translation>导入失败！</translation>
        </message>
        <message>
            <source>Export Failed!</source>
            <translation>导出失败！</translation>
        </message>
        <message>
            <source>Angle Correct Error!</source>
            <translation>角差系数错误！</translation>
        </message>
        <message>
            <source>Sample not stable!</source>
            <translation>采样不稳定！</translation>
        </message>
        <message>
            <source>Start Importing!</source>
            <translation>开始导入！</translation>
        </message>
        <message>
            <source>Start Exporting!</source>
            <translation>开始导出！</translation>
        </message>
        <message>
            <source>Password</source>
            <translation>密码</translation>
        </message>
        <message>
            <source>Tip</source>
            <translation>提示</translation>
        </message>
        <message>
            <source>Curves Saved!</source>
            <translation>曲线已保存！</translation>
        </message>
        <message>
            <source>The curve file could not be written!</source>
            <translation>曲线文件无法写入！</translation>
        </message>
        <message>
            <source>Curve recording stopped: the file could not be written!</source>
            <translation>曲线录制已停止：文件无法写入！</translation>
        </message>
        <message>
            <source>Saving the curves failed!</source>
            <translation>曲线保存失败！</translation>
        </message>
    </context>
    <context>
        <name>RtuOverTcpClient</name>
        <message>
            <source>TCP socket error (%1).</source>
            <translation>TCP 套接字错误（%1）。</translation>
        </message>
        <message>
            <source>Invalid connection settings for TCP communication specified.</source>
            <translation>TCP 通信的连接设置无效。</translation>
        </message>
        <message>
            <source>Reply aborted due to connection closure.</source>
            <translation>连接已关闭，应答中止。</translation>
        </message>
        <message>
            <source>Device not connected.</source>
            <translation>设备未连接。</translation>
        </message>
        <message>
            <source>Invalid Modbus request.</source>
            <translation>无效的 Modbus 请求。</translation>
        </message>
        <message>
            <source>Modbus Exception Response.</source>
            <translation>Modbus 异常应答。</translation>
        </message>
        <message>
            <source>An invalid response has been received.</source>
            <translation>收到无效的应答。</translation>
        </message>
        <message>
            <source>Request timeout.</source>
            <translation>请求超时。</translation>
        </message>
    </context>
    <context>
        <name>ScanDialog</name>
        <message>
            <source>Device Scan</source>
            <translation>设备扫描</translation>
        </message>
        <message>
            <source>Link:</source>
            <translation>连接：</translation>
        </message>
        <message>
            <source>Server addresses:</source>
            <translation>从站地址：</translation>
        </message>
        <message>
            <source>1 - 247</source>
            <translation>1 - 247</translation>
        </message>
        <message>
            <source>to</source>
            <translation>至</translation>
        </message>
        <message>
            <source>Time-out per address:</source>
            <translation>每个地址的超时：</translation>
        </message>
        <message>
            <source>10 - 10000ms</source>
            <translation>10 - 10000ms</translation>
        </message>
        <message>
            <source> ms</source>
            <translation> ms</translation>
        </message>
        <message>
            <source>Every baud rate and parity</source>
            <translation>所有波特率和校验位</translation>
        </message>
        <message>
            <source>Press Start to probe the addresses.</source>
            <translation>按“开始”探测各地址。</translation>
        </message>
        <message>
            <source>Address</source>
            <translation>地址</translation>
        </message>
        <message>
            <source>Baud/Parity</source>
            <translation>波特率/校验位</translation>
        </message>
        <message>
            <source>Software</source>
            <translation>软件版本</translation>
        </message>
        <message>
            <source>Serial Number</source>
            <translation>序列号</translation>
        </message>
        <message>
            <source>Start</source>
            <translation>开始</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>取消</translation>
        </message>
        <message>
            <source>Use</source>
            <translation>使用</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>Scanning %1:%2 ...</source>
            <translation>正在扫描 %1:%2 ...</translation>
        </message>
        <message>
            <source>Scanning at %1 ...</source>
            <translation>正在以 %1 扫描 ...</translation>
        </message>
        <message>
            <source>EVEN</source>
            <translation>偶校验</translation>
        </message>
        <message>
            <source>ODD</source>
            <translation>奇校验</translation>
        </message>
        <message>
            <source>NONE</source>
            <translation>无校验</translation>
        </message>
        <message>
            <source>Modbus TCP %1:%2</source>
            <translation>Modbus TCP %1:%2</translation>
        </message>
        <message>
            <source>Modbus RTU %1, %2, %3 data bits, %4 stop bits</source>
            <translation>Modbus RTU %1，%2，%3 位数据位，%4 位停止位</translation>
        </message>
        <message>
            <source>A link is still open: disconnect it, wait a moment and try again.</source>
            <translation>仍有连接未关闭：请断开连接，稍候再试。</translation>
        </message>
        <message>
            <source>No serial port: choose one on the connection page.</source>
            <translation>没有串口：请在连接页面选择一个串口。</translation>
        </message>
        <message>
            <source>The first address is above the last.</source>
            <translation>起始地址大于结束地址。</translation>
        </message>
        <message>
            <source>Done: %1 found in %2 probes.</source>
            <translation>完成：%2 次探测中找到 %1 台设备。</translation>
        </message>
        <message>
            <source>Cancelled after %1 of %2 probes: %3 found.</source>
            <translation>已在 %2 次探测中的第 %1 次后取消：找到 %3 台设备。</translation>
        </message>
        <message>
            <source>Failed: %1 (%2 found)</source>
            <translation>失败：%1（找到 %2 台设备）</translation>
        </message>
        <message>
            <source>Stopping ...</source>
            <translation>正在停止 ...</translation>
        </message>
        <message>
            <source>The connection page takes server addresses %1 to %2.</source>
            <translation>连接页面只接受从站地址 %1 至 %2。</translation>
        </message>
        <message>
            <source>Answered the test read with exception %1.</source>
            <translation>测试读取以异常 %1 应答。</translation>
        </message>
        <message>
            <source>Did not answer the identity read.</source>
            <translation>未应答设备信息读取。</translation>
        </message>
        <message>
            <source>Modbus RTU over TCP %1:%2</source>
            <translation>Modbus RTU over TCP %1:%2</translation>
        </message>
    </context>
    <context>
        <name>SerialPortProblem</name>
        <message>
            <source>Serial port %1 not found: the USB adapter may have been unplugged, or the port name is wrong. Plug the adapter in and choose the port again.</source>
            <translation>找不到串口 %1：USB 转换器可能已拔出，或端口名称有误。请插上转换器并重新选择端口。</translation>
        </message>
        <message>
            <source>No permission to open serial port %1. Add your user to the dialout group: sudo usermod -aG dialout $USER, then log out and log in again.</source>
            <translation>没有打开串口 %1 的权限。请将您的用户加入 dialout 组：sudo usermod -aG dialout $USER，然后注销并重新登录。</translation>
        </message>
        <message>
            <source>No permission to open serial port %1.</source>
            <translation>没有打开串口 %1 的权限。</translation>
        </message>
        <message>
            <source>Serial port %1 is in use by another program. Close it and try again.</source>
            <translation>串口 %1 正被其他程序占用。请关闭该程序后重试。</translation>
        </message>
        <message>
            <source>%1 (PID %2)</source>
            <translation>%1（PID %2）</translation>
        </message>
        <message>
            <source>Serial port %1 is in use by %2. Close that program and try again.</source>
            <translation>串口 %1 正被 %2 占用。请关闭该程序后重试。</translation>
        </message>
        <message>
            <source>Serial port %1 could not be opened: %2</source>
            <translation>无法打开串口 %1：%2</translation>
        </message>
    </context>
    <context>
        <name>TestMaintain</name>
        <message>
            <source>Form</source>
            <translation>窗体</translation>
        </message>
        <message>
            <source>System Information</source>
            <translation>系统信息</translation>
        </message>
        <message>
            <source>Compile Date:</source>
            <translation>编译日期：</translation>
        </message>
        <message>
            <source>Serial Num:</source>
            <translation>序列号：</translation>
        </message>
        <message>
            <source>MV Coef:</source>
            <translation>毫伏系数：</translation>
        </message>
        <message>
            <source>CH1</source>
            <translation>CH1</translation>
        </message>
        <message>
            <source>CH2</source>
            <translation>CH2</translation>
        </message>
        <message>
            <source>CH3</source>
            <translation>CH3</translation>
        </message>
        <message>
            <source>CH4</source>
            <translation>CH4</translation>
        </message>
        <message>
            <source>Reset All</source>
            <translation>全部复位</translation>
        </message>
        <message>
            <source>Reset Data-Trans</source>
            <translation>复位数据传输</translation>
        </message>
        <message>
            <source>Reset Application</source>
            <translation>复位应用配置</translation>
        </message>
        <message>
            <source>Reset Basic</source>
            <translation>复位基本配置</translation>
        </message>
        <message>
            <source>CH-1</source>
            <translation>CH-1</translation>
        </message>
        <message>
            <source>CH-2</source>
            <translation>CH-2</translation>
        </message>
        <message>
            <source>CH-3</source>
            <translation>CH-3</translation>
        </message>
        <message>
            <source>CH-4</source>
            <translation>CH-4</translation>
        </message>
        <message>
            <source>Reset CAL</source>
            <translation>复位标定</translation>
        </message>
        <message>
            <source>Reset Analog</source>
            <translation>复位模拟量</translation>
        </message>
        <message>
            <source>Channel Type</source>
            <translation>通道类型</translation>
        </message>
        <message>
            <source>Channel Mode:</source>
            <translation>通道模式：</translation>
        </message>
        <message>
            <source>Independent</source>
            <translation>独立</translation>
        </message>
        <message>
            <source>Combined</source>
            <translation>组合</translation>
        </message>
        <message>
            <source>Channel 1:</source>
            <translation>通道1：</translation>
        </message>
        <message>
            <source>OFF</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>ON</source>
            <translation>开启</translation>
        </message>
        <message>
            <source>Channel 2:</source>
            <translation>通道2：</translation>
        </message>
        <message>
            <source>Channel 3:</source>
            <translation>通道3：</translation>
        </message>
        <message>
            <source>Channel 4:</source>
            <translation>通道4：</translation>
        </message>
        <message>
            <source>Import Data</source>
            <translation>导入数据</translation>
        </message>
        <message>
            <source>Import:</source>
            <translation>导入：</translation>
        </message>
        <message>
            <source>Importing...</source>
            <translation>正在导入...</translation>
        </message>
        <message>
            <source>Export Data</source>
            <translation>导出数据</translation>
        </message>
        <message>
            <source>Export:</source>
            <translation>导出：</translation>
        </message>
        <message>
            <source>Export</source>
            <translation>导出</translation>
        </message>
        <message>
            <source>Exporting...</source>
            <translation>正在导出...</translation>
        </message>
        <message>
            <source>Confirm? Reset may result in communication loss!</source>
            <translation>确认？复位可能导致通讯中断！</translation>
        </message>
        <message>
            <source>Confirm?</source>
            <translation>确认？</translation>
        </message>
        <message>
            <source>Tip</source>
            <translation>提示</translation>
        </message>
        <message>
            <source>Select File</source>
            <translation>选择文件</translation>
        </message>
        <message>
            <source>All Files (*)</source>
            <translation>所有文件 (*)</translation>
        </message>
        <message>
            <source>Import Path&gt;&gt;&gt;</source>
            <translation>导入路径&gt;&gt;&gt;</translation>
        </message>
        <message>
            <source>Export Path&gt;&gt;&gt;</source>
            <translation>导出路径&gt;&gt;&gt;</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>取消</translation>
        </message>
        <message>
            <source>Excel Files (*.xlsx)</source>
            <translation>Excel 文件 (*.xlsx)</translation>
        </message>
        <message>
            <source>Import finished. Rows written: %1, failed: %2 (first failed addresses: %3).</source>
            <translation>导入完成。已写入行数：%1，失败：%2（首批失败地址：%3）。</translation>
        </message>
        <message>
            <source>Import cancelled. Rows written before it stopped: %1.</source>
            <translation>导入已取消。停止前已写入行数：%1。</translation>
        </message>
        <message>
            <source>Import stopped: the device did not answer. Rows written: %1; rows %2 to %3 were not imported.</source>
            <translation>导入已停止：设备无应答。已写入行数：%1；第 %2 至 %3 行未导入。</translation>
        </message>
        <message>
            <source>Import stopped: the link is gone. Rows written: %1; rows %2 to %3 were not imported.</source>
            <translation>导入已停止：连接已断开。已写入行数：%1；第 %2 至 %3 行未导入。</translation>
        </message>
        <message>
            <source>Export finished. Rows that could not be read: %1 (marked 88020200 in the file).</source>
            <translation>导出完成。无法读取的行数：%1（文件中标记为 88020200）。</translation>
        </message>
        <message>
            <source>Export cancelled. The export file was left as it was.</source>
            <translation>导出已取消。导出文件保持原样。</translation>
        </message>
        <message>
            <source>Compare</source>
            <translation>比较</translation>
        </message>
        <message>
            <source>List the rows of a workbook that differ from the device, before anything is written</source>
            <translation>写入之前，列出工作簿中与设备不同的行</translation>
        </message>
        <message>
            <source>Writing...</source>
            <translation>正在写入...</translation>
        </message>
        <message>
            <source>Verifying...</source>
            <translation>正在校验...</translation>
        </message>
        <message>
            <source>Reading the device...</source>
            <translation>正在读取设备...</translation>
        </message>
        <message>
            <source>Written: %1, unchanged: %2, failed: %3, invalid: %4; verified: %5, mismatched: %6.</source>
            <translation>已写入：%1，未变：%2，失败：%3，无效：%4；校验一致：%5，不一致：%6。</translation>
        </message>
        <message>
            <source>Rows that read back differently: %1 (first addresses: %2).</source>
            <translation>读回不一致的行数：%1（首批地址：%2）。</translation>
        </message>
        <message>
            <source>Import stopped while reading back: the device did not answer. Rows written: %1.</source>
            <translation>读回校验时导入停止：设备无应答。已写入行数：%1。</translation>
        </message>
        <message>
            <source>Import stopped while reading back: the link is gone. Rows written: %1.</source>
            <translation>读回校验时导入停止：连接已断开。已写入行数：%1。</translation>
        </message>
        <message>
            <source>Compare failed: the device did not answer.</source>
            <translation>比较失败：设备无应答。</translation>
        </message>
        <message>
            <source>Compare failed: the link is gone.</source>
            <translation>比较失败：连接已断开。</translation>
        </message>
        <message>
            <source>Compare failed.</source>
            <translation>比较失败。</translation>
        </message>
        <message>
            <source>MAC Address:</source>
            <translation>MAC 地址：</translation>
        </message>
        <message>
            <source>Software Version:</source>
            <translation>软件版本：</translation>
        </message>
        <message>
            <source>Parameter Reset</source>
            <translation>参数复位</translation>
        </message>
        <message>
            <source>Please select an Excel file</source>
            <translation>请选择 Excel 文件</translation>
        </message>
        <message>
            <source>System remote editing switch off, on before resetting parameters!</source>
            <translation>系统远程修改开关已关闭，请先打开再复位参数！</translation>
        </message>
        <message>
            <source>Writes sent without an answer: %1 (the device may have applied them).</source>
            <translation>已发送但未收到应答的写入：%1（设备可能已执行）。</translation>
        </message>
        <message>
            <source>Export Workbook</source>
            <translation>导出工作簿</translation>
        </message>
        <message>
            <source>History</source>
            <translation>历史</translation>
        </message>
        <message>
            <source>Versions of the connected device's parameters, what changed between them, and the writes made to it</source>
            <translation>已连接设备参数的各个版本、版本之间的更改以及对设备的写入记录</translation>
        </message>
        <message>
            <source>No device is connected.</source>
            <translation>未连接设备。</translation>
        </message>
        <message>
            <source>The device on the link has serial number %1, not %2: nothing was written.</source>
            <translation>链路上设备的序列号为 %1，而不是 %2：未写入任何内容。</translation>
        </message>
        <message>
            <source>Version %1 of %2</source>
            <translation>%2 的版本 %1</translation>
        </message>
        <message>
            <source>The serial ports and the Ethernet interface, the one this program is connected through included, go back to their factory settings. If the device then no longer answers on this connection, the program goes back to the connection page.</source>
            <translation>串口和以太网接口（包括本程序当前通讯所用的接口）将恢复出厂设置。如果之后设备在当前连接上不再应答，程序将回到连接页面。</translation>
        </message>
        <message>
            <source>The device no longer answers on this connection: its ports and Ethernet interface now have their factory settings. Connect again with those settings.</source>
            <translation>设备在当前连接上不再应答：其串口和以太网接口现已恢复出厂设置。请用这些设置重新连接。</translation>
        </message>
    </context>
    <context>
        <name>TipsDialog</name>
        <message>
            <source>title</source>
            <translation>标题</translation>
        </message>
        <message>
            <source>Message</source>
            <translation>消息</translation>
        </message>
        <message>
            <source>Confirm</source>
            <translation>确认</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>取消</translation>
        </message>
        <message>
            <source>Angle Correct</source>
            <translation>角差修正</translation>
        </message>
        <message>
            <source>Retry</source>
            <translation>重试</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>关闭</translation>
        </message>
    </context>
    <context>
        <name>TrafficLogModel</name>
        <message>
            <source>Read holding registers</source>
            <translation>读保持寄存器</translation>
        </message>
        <message>
            <source>Read coils</source>
            <translation>读线圈</translation>
        </message>
        <message>
            <source>Write holding registers</source>
            <translation>写保持寄存器</translation>
        </message>
        <message>
            <source>Write coils</source>
            <translation>写线圈</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>成功</translation>
        </message>
        <message>
            <source>Time-out</source>
            <translation>超时</translation>
        </message>
        <message>
            <source>No connection</source>
            <translation>无连接</translation>
        </message>
        <message>
            <source>Error</source>
            <translation>错误</translation>
        </message>
        <message>
            <source>Exception %1: illegal function</source>
            <translation>异常 %1：非法功能</translation>
        </message>
        <message>
            <source>Exception %1: illegal data address</source>
            <translation>异常 %1：非法数据地址</translation>
        </message>
        <message>
            <source>Exception %1: illegal data value</source>
            <translation>异常 %1：非法数据值</translation>
        </message>
        <message>
            <source>Exception %1: server device failure</source>
            <translation>异常 %1：从站设备故障</translation>
        </message>
        <message>
            <source>Exception %1</source>
            <translation>异常 %1</translation>
        </message>
        <message>
            <source>Server address %1</source>
            <translation>从站地址 %1</translation>
        </message>
        <message>
            <source>Time</source>
            <translation>时间</translation>
        </message>
        <message>
            <source>Function</source>
            <translation>功能</translation>
        </message>
        <message>
            <source>Address</source>
            <translation>地址</translation>
        </message>
        <message>
            <source>Count</source>
            <translation>数量</translation>
        </message>
        <message>
            <source>Values</source>
            <translation>数值</translation>
        </message>
        <message>
            <source>Result</source>
            <translation>结果</translation>
        </message>
        <message>
            <source>Round trip (ms)</source>
            <translation>往返时间 (ms)</translation>
        </message>
    </context>
    <context>
        <name>TrafficLogWindow</name>
        <message>
            <source>Traffic Log</source>
            <translation>通讯记录</translation>
        </message>
        <message>
            <source>Pause</source>
            <translation>暂停</translation>
        </message>
        <message>
            <source>Clear</source>
            <translation>清空</translation>
        </message>
        <message>
            <source>Save</source>
            <translation>保存</translation>
        </message>
        <message>
            <source>Save the rows shown as CSV</source>
            <translation>将显示的行保存为 CSV 文件</translation>
        </message>
        <message>
            <source>Errors only</source>
            <translation>仅显示错误</translation>
        </message>
        <message>
            <source>Address from</source>
            <translation>地址从</translation>
        </message>
        <message>
            <source>any</source>
            <translation>不限</translation>
        </message>
        <message>
            <source>to</source>
            <translation>到</translation>
        </message>
        <message>
            <source>Requests: %1   Failures: %2   Time-outs: %3   Exceptions: %4   Round trip: mean %5 ms, 95th percentile %6 ms, worst %7 ms</source>
            <translation>请求：%1   失败：%2   超时：%3   异常：%4   往返时间：平均 %5 ms，95% 分位 %6 ms，最长 %7 ms</translation>
        </message>
        <message>
            <source>Resume</source>
            <translation>继续</translation>
        </message>
        <message>
            <source>Save Traffic</source>
            <translation>保存通讯记录</translation>
        </message>
        <message>
            <source>CSV Files (*.csv)</source>
            <translation>CSV 文件 (*.csv)</translation>
        </message>
        <message>
            <source>Tip</source>
            <translation>提示</translation>
        </message>
        <message>
            <source>Traffic saved: %1 rows.</source>
            <translation>通讯记录已保存：%1 行。</translation>
        </message>
        <message>
            <source>The traffic file could not be written!</source>
            <translation>通讯记录文件无法写入！</translation>
        </message>
    </context>
    <context>
        <name>WeightCal</name>
        <message>
            <source>Form</source>
            <translation>窗体</translation>
        </message>
        <message>
            <source> Select Channel:</source>
            <translation> 选择通道：</translation>
        </message>
        <message>
            <source>Channel1</source>
            <translation>通道1</translation>
        </message>
        <message>
            <source>Channel2</source>
            <translation>通道2</translation>
        </message>
        <message>
            <source>Channel3</source>
            <translation>通道3</translation>
        </message>
        <message>
            <source>Channel4</source>
            <translation>通道4</translation>
        </message>
        <message>
            <source>Wt.Format</source>
            <translation>重量格式</translation>
        </message>
        <message>
            <source>Unit:</source>
            <translation>单位：</translation>
        </message>
        <message>
            <source>t</source>
            <translation>t</translation>
        </message>
        <message>
            <source>kg</source>
            <translation>kg</translation>
        </message>
        <message>
            <source>g</source>
            <translation>g</translation>
        </message>
        <message>
            <source>lb</source>
            <translation>lb</translation>
        </message>
        <message>
            <source>Decimal:</source>
            <translation>小数位：</translation>
        </message>
        <message>
            <source>0</source>
            <translation>0</translation>
        </message>
        <message>
            <source>0.0</source>
            <translation>0.0</translation>
        </message>
        <message>
            <source>0.00</source>
            <translation>0.00</translation>
        </message>
        <message>
            <source>0.000</source>
            <translation>0.000</translation>
        </message>
        <message>
            <source>0.0000</source>
            <translation>0.0000</translation>
        </message>
        <message>
            <source>Division:          </source>
            <translation>分度值：          </translation>
        </message>
        <message>
            <source>d=1</source>
            <translation>d=1</translation>
        </message>
        <message>
            <source>d=2</source>
            <translation>d=2</translation>
        </message>
        <message>
            <source>d=5</source>
            <translation>d=5</translation>
        </message>
        <message>
            <source>d=10</source>
            <translation>d=10</translation>
        </message>
        <message>
            <source>d=20</source>
            <translation>d=20</translation>
        </message>
        <message>
            <source>d=50</source>
            <translation>d=50</translation>
        </message>
        <message>
            <source>Full Scale:     </source>
            <translation>满量程：     </translation>
        </message>
        <message>
            <source>CAL Weight</source>
            <translation>砝码标定</translation>
        </message>
        <message>
            <source>CP1:</source>
            <translation>标定点1：</translation>
        </message>
        <message>
            <source>mV</source>
            <translation>mV</translation>
        </message>
        <message>
            <source>CP2:</source>
            <translation>标定点2：</translation>
        </message>
        <message>
            <source>CP3:</source>
            <translation>标定点3：</translation>
        </message>
        <message>
            <source>CP4:</source>
            <translation>标定点4：</translation>
        </message>
        <message>
            <source>CP5:</source>
            <translation>标定点5：</translation>
        </message>
        <message>
            <source>CAL-ZERO</source>
            <translation>零点标定</translation>
        </message>
        <message>
            <source>Auto Capture:</source>
            <translation>自动采集：</translation>
        </message>
        <message>
            <source>Zero</source>
            <translation>采集零点</translation>
        </message>
        <message>
            <source>Key In mV:</source>
            <translation>输入毫伏值：</translation>
        </message>
        <message>
            <source>Key In mV(CH2):</source>
            <translation>输入毫伏值(CH2)：</translation>
        </message>
        <message>
            <source>Key In mV(CH3):</source>
            <translation>输入毫伏值(CH3)：</translation>
        </message>
        <message>
            <source>Key In mV(CH4):</source>
            <translation>输入毫伏值(CH4)：</translation>
        </message>
        <message>
            <source>One key In mV:</source>
            <translation>一键输入毫伏值：</translation>
        </message>
        <message>
            <source>Theory CAL</source>
            <translation>理论标定</translation>
        </message>
        <message>
            <source>LC mV/V:</source>
            <translation>传感器灵敏度 mV/V：</translation>
        </message>
        <message>
            <source>LC Capacity:</source>
            <translation>传感器量程：</translation>
        </message>
        <message>
            <source>CH1:</source>
            <translation>CH1：</translation>
        </message>
        <message>
            <source>CH2:</source>
            <translation>CH2：</translation>
        </message>
        <message>
            <source>CH3:</source>
            <translation>CH3：</translation>
        </message>
        <message>
            <source>CH4:</source>
            <translation>CH4：</translation>
        </message>
        <message>
            <source>Use T-CAL:</source>
            <translation>启用理论标定：</translation>
        </message>
        <message>
            <source>OFF</source>
            <translation>关闭</translation>
        </message>
        <message>
            <source>ON</source>
            <translation>开启</translation>
        </message>
        <message>
            <source>CAL Correct</source>
            <translation>标定修正</translation>
        </message>
        <message>
            <source>Correct Coef:</source>
            <translation>修正系数：</translation>
        </message>
        <message>
            <source>Angle Correct</source>
            <translation>角差修正</translation>
        </message>
        <message>
            <source>Correct Coef(CH1): </source>
            <translation>修正系数(CH1)： </translation>
        </message>
        <message>
            <source>Correct Coef(CH2): </source>
            <translation>修正系数(CH2)： </translation>
        </message>
        <message>
            <source>Correct Coef(CH3): </source>
            <translation>修正系数(CH3)： </translation>
        </message>
        <message>
            <source>Correct Coef(CH4): </source>
            <translation>修正系数(CH4)： </translation>
        </message>
        <message>
            <source>Correct Sampling:</source>
            <translation>角差采样：</translation>
        </message>
        <message>
            <source>Sample</source>
            <translation>采样</translation>
        </message>
        <message>
            <source>Correct Reset: </source>
            <translation>角差复位： </translation>
        </message>
        <message>
            <source>Reset</source>
            <translation>复位</translation>
        </message>
        <message>
            <source>Key In mV(CH1):</source>
            <translation>输入毫伏值(CH1)：</translation>
        </message>
        <message>
            <source>Empty or not?</source>
            <translation>秤台是否已清空？</translation>
        </message>
        <message>
            <source>Press the first, and then click confirm!</source>
            <translation>请在第一个角加载，然后点击确认！</translation>
        </message>
        <message>
            <source>Press the second, and then click confirm!</source>
            <translation>请在第二个角加载，然后点击确认！</translation>
        </message>
        <message>
            <source>Press the third, and then click confirm!</source>
            <translation>请在第三个角加载，然后点击确认！</translation>
        </message>
        <message>
            <source>Press the fourth, and then click confirm!</source>
            <translation>请在第四个角加载，然后点击确认！</translation>
        </message>
        <message>
            <source>Sample not stable!</source>
            <translation>采样不稳定！</translation>
        </message>
        <message>
            <source>Sample Done!</source>
            <translation>采样完成！</translation>
        </message>
        <message>
            <source>Angle Correct Error!</source>
            <translation>角差系数错误！</translation>
        </message>
        <message>
            <source>Reset?</source>
            <translation>确认复位？</translation>
        </message>
        <message>
            <source>Reset Successful!</source>
            <translation>复位成功！</translation>
        </message>
        <message>
            <source>Reset Failed!</source>
            <translation>复位失败！</translation>
        </message>
        <message>
            <source>CAL remote editing switch off, on before submitting parameters!</source>
            <translation>标定参数远程修改开关已关闭，请先打开再提交参数！</translation>
        </message>
        <message>
            <source>Sample still not stable. Keep trying?</source>
            <translation>采样仍不稳定，是否继续尝试？</translation>
        </message>
        <message>
            <source>Capture the present signal of channel %1 as its new zero? The scale must be empty and stable.</source>
            <translation>将通道 %1 当前的信号采集为新的零点？秤台必须空载且稳定。</translation>
        </message>
        <message>
            <source>Capture the present signals of every corner in use as their new zero? The platform must be empty and stable.</source>
            <translation>将所有使用中的角点当前的信号采集为新的零点？秤台必须空载且稳定。</translation>
        </message>
        <message>
            <source>Zero Capture</source>
            <translation>采集零点</translation>
        </message>
    </context>
</TS>
