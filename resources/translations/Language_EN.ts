<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Application</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel Select:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP CH   </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel-2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel-3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel-4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OFF </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W&lt;=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W!=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W&gt;=CV1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CV1&lt;=W&lt;=CV2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>W&lt;[CV1,CV2]&gt;W</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Value-1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kg</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP Value-2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ON COND.:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Immediately</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Debounce</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TRUE JudgeT:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OFF COND.:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FALSE HoldT:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP 8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 Zero </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 Zero </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 Zero </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 Zero </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 CAL-Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 CAL-Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 CAL-Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 CAL-Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 Clear Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 Clear Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 Clear Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 Clear Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 Gross/Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 Gross/Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 Gross/Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 Gross/Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP-ON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COMP8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 Stable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 Stable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 Stable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 Stable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1 -SIGN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2 -SIGN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3 -SIGN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4 -SIGN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL-Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gross/Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stable </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-SIGN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Application remote editing switch off, on before submitting parameters!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Function:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay Time:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AuditTrail</name>
    <message>
        <source>history not recorded: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BasicConfig</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Select Channel:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero Range:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remote Zero:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OFF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PWR-On Zero:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tare Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remote Tare:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tare Record:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NetSign COR:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CorrectTare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BackToGross</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preset Tare:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kg</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Filter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Digit-Filter:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Adv. Filter:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>50Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>60Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>100Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>120Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>200Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>240Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>400Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>480Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>800Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>960Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STAB &amp; TrZero  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STAB Range:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STAB Timer:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TrZero Range:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TrZero Timer:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor Signal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input Range:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0-5 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0-10 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0-15 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-5-5 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-10-10 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-15-15 mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Other</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tilt Threshold:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Basic remote editing switch off, on before submitting parameters!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CompareDialog</name>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Count</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 rows differ from the device, %2 rows are the same.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unreadable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare Workbook with Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore a Version</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DataTrans</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel Select:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Baudrate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4800</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>9600</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>19200</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>38400</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>57600</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>115200</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus-RTU</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KT-Cont</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8-N-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8-E-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8-O-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7-E-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7-O-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DwordFormat:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AB-CD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CD-AB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send Gap:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>COM-2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAN ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>100K</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>125K</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>250K</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>500K</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1000K</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Standard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report Content:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Voltage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report Gap:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TCP-IP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Config:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con. 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con. 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con. 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con. 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con. 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Con. 6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AB CD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CD AB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send Gap: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Analog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Analog Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Link Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0-5V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0-10V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4-20mA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0-20mA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0-24mA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-5-5V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-10-10V</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gross</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Analog Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Link Data:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data-Trans remote editing switch off, on before submitting parameters!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CANopen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Extended</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is a setting of the port this program is connected through: writing it ends the connection. Write it, then reconnect with the new setting?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is a setting of the port this program is connected through: writing it ends the connection, and the program cannot reconnect through this port. Write it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This may be a setting of the port this program is connected through: writing it may end the connection. Write it? If the device then stops answering, the program reconnects with the new setting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This may be a setting of the port this program is connected through: writing it may end the connection. Write it?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection Setting</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceScan</name>
    <message>
        <source>Server addresses %1 to %2: give a range within 1 to 247, the first not above the last.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Probe time-out %1 ms: give %2 to %3 ms.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lost the link at server address %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The serial port %1 is gone (at server address %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot connect to %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no connection after %1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no connection</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ExelToWrite</name>
    <message>
        <source>error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not an .xlsx workbook: save it as .xlsx</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: no such file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a folder, not a workbook</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the file name is not valid UTF-8 (rename the file)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a readable .xlsx workbook</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 holds no worksheet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has no worksheet &quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the worksheet &quot;%1&quot; of %2 is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no template %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HelpDialog</name>
    <message>
        <source>Help and About – Q4 Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Licence</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>See the copyright file of the installed package (/usr/share/doc/q4config/copyright).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, as the copyright file of the package (/usr/share/doc/q4config/copyright) states.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data folder in use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exports</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Templates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the page &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit (asks first while a workbook import or export runs)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tab, Shift+Tab</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next, previous control</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Return</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Presses the focused button; writes the value of a field; connects on the connection page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keyboard</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The manual page q4config(1) (&quot;man q4config&quot;) describes every command-line option; README.md of the source describes the program, the simulator and the connection of a real transmitter.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration and monitoring of KTT-Q4 weighing transmitters over Modbus RTU, Modbus TCP or Modbus RTU over TCP.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistoryRecorder</name>
    <message>
        <source>history not recorded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot read the device&apos;s serial number (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the device&apos;s serial number %1 is not readable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the device&apos;s serial number is not known</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistoryStore</name>
    <message>
        <source>line %1: unterminated quote</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line %1: text after a closing quote</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line %1: a quote inside an unquoted field</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line 1: not the header %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line %1: %2 fields instead of %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line %1: address or count is not a number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line %1: time or address is not readable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no remote to push to (add one named origin with git remote add)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot use the remote %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>nothing to push yet (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>push to %1 failed: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot read the history (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no device %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no version %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a version (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot read version %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>version %1 has no %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot read %1 of version %2 (%3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of version %2 is corrupt: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is corrupt: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>locked by another program for more than %1 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not writable (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>history store %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the repository is broken (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>there is no history here yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a bare repository; the history needs one with a working folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot create the folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the folder holds other files and no Git repository</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot create the repository (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no serial number to record the version under</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot record a version of %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no serial number to record the write under</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot write the audit of %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>Configuration History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History folder:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the folder of the configuration history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use History in the data folder again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose one version to see what it changed, or two to compare them</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Author</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Old</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name, source, result, user...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write the chosen version back into the device: the rows that differ are shown first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Given with --history-dir</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No versions of this device yet (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a version to see what it changed, or two to compare them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rows changed from version %1 to version %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The first version %1 of this device: %2 rows</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The history folder could not be saved in the settings.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ImportLinkCheck</name>
    <message>
        <source>server address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>baud rate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>data format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>protocol</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Ethernet interface</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the serial port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This import changes %1 this program is connected through (%2). The connection will be lost. Import and reconnect with the new settings?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This import changes %1 this program is connected through (%2). The connection will be lost, and the program cannot reconnect with the new settings. Import?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This import may change %1 this program is connected through (%2). The connection may be lost. Import? If the device then stops answering, the program reconnects with the new settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This import may change %1 this program is connected through (%2). The connection may be lost. Import?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import and reconnect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection Setting</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>InputDialog</name>
    <message>
        <source>Please Input:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainInterface</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monitoring Curve1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gross</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor Voltage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gain Voltage</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sensor Volt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gain Volt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Real Time/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record the four curves to a CSV file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the four charts as one PNG picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Curves</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record Curves</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PNG Images (*.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monitoring Curve2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monitoring Curve3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monitoring Curve4:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>|</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lumo Q4 Config System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EN/CH</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Main Interface</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Basic Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight CAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Application</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Trans</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test Maintain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Weight&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Sensor Voltage&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Error Message&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Sensor Pressure&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Channel 1:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Channel 2:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Channel 3:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Channel 4:&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:600;&quot;&gt;Combined Weight&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DwordFormat:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Disconnect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>123</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Communication-Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Communication-Normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loadcell Over</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loadcell Under</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1#</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1Channel Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multi-Channel Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tank Tilt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Over Full Scale</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Weight Under Limit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Traffic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every Modbus transaction, with statistics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help and About (F1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch language (English/Chinese)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimise</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Maximise/Restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Maximise or restore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 – %2, address %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A workbook import or export is running. Stop it and quit?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help and About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Traffic log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write the traffic log %1: %2.
Traffic logging has stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No answer from the device: these are the last values read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configuration History</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ModbusParaSetDialog</name>
    <message>
        <source>Connection Configuration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus RTU</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus TCP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Host IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 - 65535</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 - 99</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AB-CD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CD-AB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>50 - 1000ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4800</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>9600</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>19200</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>38400</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>57600</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>115200</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Bits:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NONE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EVEN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ODD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Bits:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus RTU over TCP</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ModbusSetting</name>
    <message>
        <source>MainWindow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection Setup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Protocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus RTU</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus TCP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Slave ID:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 - 99</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Baud Rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4800</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>9600</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>19200</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>38400</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>57600</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>115200</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data Bits:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NONE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EVEN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ODD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Bits:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HOST IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>192.168.101.1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>502</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 - 65535</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dword Format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AB-CD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CD-AB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delay:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>50 - 1000ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version: 1.0.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lumo Q4 Config System - configuration and monitoring of KTT-Q4 weighing transmitters</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find the devices on this link</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus RTU over TCP</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Reset Successful!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Successful!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Successful!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Done!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation Failed,Please try again!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Angle Correct Error!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample not stable!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Importing!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Exporting!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Curves Saved!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The curve file could not be written!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Curve recording stopped: the file could not be written!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saving the curves failed!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RtuOverTcpClient</name>
    <message>
        <source>TCP socket error (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid connection settings for TCP communication specified.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reply aborted due to connection closure.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device not connected.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid Modbus request.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus Exception Response.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An invalid response has been received.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Request timeout.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ScanDialog</name>
    <message>
        <source>Device Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Link:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Server addresses:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 - 247</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time-out per address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>10 - 10000ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every baud rate and parity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press Start to probe the addresses.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Baud/Parity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Software</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial Number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scanning %1:%2 ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scanning at %1 ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>EVEN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ODD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>NONE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus TCP %1:%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus RTU %1, %2, %3 data bits, %4 stop bits</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A link is still open: disconnect it, wait a moment and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No serial port: choose one on the connection page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The first address is above the last.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Done: %1 found in %2 probes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelled after %1 of %2 probes: %3 found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed: %1 (%2 found)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopping ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection page takes server addresses %1 to %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Answered the test read with exception %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Did not answer the identity read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modbus RTU over TCP %1:%2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SerialPortProblem</name>
    <message>
        <source>Serial port %1 not found: the USB adapter may have been unplugged, or the port name is wrong. Plug the adapter in and choose the port again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No permission to open serial port %1. Add your user to the dialout group: sudo usermod -aG dialout $USER, then log out and log in again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No permission to open serial port %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial port %1 is in use by another program. Close it and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (PID %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial port %1 is in use by %2. Close that program and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial port %1 could not be opened: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TestMaintain</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compile Date:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial Num:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MV Coef:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Data-Trans</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Application</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Basic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH-4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset CAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Analog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Independent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Combined</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OFF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel 4:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Importing...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm? Reset may result in communication loss!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Path&gt;&gt;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Path&gt;&gt;&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Excel Files (*.xlsx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import finished. Rows written: %1, failed: %2 (first failed addresses: %3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import cancelled. Rows written before it stopped: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import stopped: the device did not answer. Rows written: %1; rows %2 to %3 were not imported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import stopped: the link is gone. Rows written: %1; rows %2 to %3 were not imported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export finished. Rows that could not be read: %1 (marked 88020200 in the file).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export cancelled. The export file was left as it was.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List the rows of a workbook that differ from the device, before anything is written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writing...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Verifying...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the device...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Written: %1, unchanged: %2, failed: %3, invalid: %4; verified: %5, mismatched: %6.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rows that read back differently: %1 (first addresses: %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import stopped while reading back: the device did not answer. Rows written: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import stopped while reading back: the link is gone. Rows written: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare failed: the device did not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare failed: the link is gone.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Compare failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>MAC Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select an Excel file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System remote editing switch off, on before resetting parameters!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writes sent without an answer: %1 (the device may have applied them).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export Workbook</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Versions of the connected device&apos;s parameters, what changed between them, and the writes made to it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No device is connected.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device on the link has serial number %1, not %2: nothing was written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1 of %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The serial ports and the Ethernet interface, the one this program is connected through included, go back to their factory settings. If the device then no longer answers on this connection, the program goes back to the connection page.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device no longer answers on this connection: its ports and Ethernet interface now have their factory settings. Connect again with those settings.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TipsDialog</name>
    <message>
        <source>title</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Message</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Angle Correct</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrafficLogModel</name>
    <message>
        <source>Read holding registers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read coils</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write holding registers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write coils</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time-out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exception %1: illegal function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exception %1: illegal data address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exception %1: illegal data value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exception %1: server device failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exception %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Server address %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Count</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Values</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Round trip (ms)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrafficLogWindow</name>
    <message>
        <source>Traffic Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the rows shown as CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Errors only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address from</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>any</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Requests: %1   Failures: %2   Time-outs: %3   Exceptions: %4   Round trip: mean %5 ms, 95th percentile %6 ms, worst %7 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Traffic</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Traffic saved: %1 rows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The traffic file could not be written!</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>WeightCal</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Select Channel:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wt.Format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unit:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>t</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>kg</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>g</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>lb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Decimal:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.00</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0.0000</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Division:          </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d=1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d=2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d=5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d=10</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d=20</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>d=50</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Full Scale:     </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL Weight</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP4:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CP5:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL-ZERO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Capture:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key In mV:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key In mV(CH2):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key In mV(CH3):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key In mV(CH4):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>One key In mV:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Theory CAL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LC mV/V:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LC Capacity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH1:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH3:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CH4:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use T-CAL:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OFF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL Correct</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Coef:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Angle Correct</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Coef(CH1): </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Coef(CH2): </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Coef(CH3): </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Coef(CH4): </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Sampling:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Correct Reset: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Key In mV(CH1):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empty or not?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press the first, and then click confirm!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press the second, and then click confirm!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press the third, and then click confirm!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Press the fourth, and then click confirm!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample not stable!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample Done!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Angle Correct Error!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Successful!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset Failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CAL remote editing switch off, on before submitting parameters!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample still not stable. Keep trying?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capture the present signal of channel %1 as its new zero? The scale must be empty and stable.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capture the present signals of every corner in use as their new zero? The platform must be empty and stable.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zero Capture</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
