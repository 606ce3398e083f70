<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MeterSim</name>
    <message>
        <source>sending the %1 one-shot bytes</source>
        <translation>正在发送 %1 个一次性字节</translation>
    </message>
    <message>
        <source>&quot;XT&quot; received, now sending text</source>
        <translation>收到“XT”，现在发送文本</translation>
    </message>
    <message>
        <source>&quot;XT&quot; received, now sending binary frames</source>
        <translation>收到“XT”，现在发送二进制帧</translation>
    </message>
    <message>
        <source>(--help explains the options)</source>
        <translation>（--help 说明各个选项）</translation>
    </message>
    <message>
        <source>%1 baud, frames back to back</source>
        <translation>%1 波特，帧连续发送</translation>
    </message>
    <message>
        <source>%1 baud, %2 frames/s</source>
        <translation>%1 波特，每秒 %2 帧</translation>
    </message>
    <message>
        <source>%1 -&gt; %2, %3; Ctrl+C stops</source>
        <translation>%1 -&gt; %2，%3；按 Ctrl+C 停止</translation>
    </message>
    <message>
        <source>%1 exists and is not a link; choose another --port</source>
        <translation>%1 已存在且不是链接；请另选 --port</translation>
    </message>
    <message>
        <source>%1 already links to %2 (another simulator?); choose another --port</source>
        <translation>%1 已链接到 %2（另一个模拟器？）；请另选 --port</translation>
    </message>
    <message>
        <source>bad value for %1: &apos;%2&apos;</source>
        <translation>%1 的值无效：“%2”</translation>
    </message>
    <message>
        <source>(battery, steady, sweep or none)</source>
        <translation>（battery、steady、sweep 或 none）</translation>
    </message>
    <message>
        <source>(a chance from 0 to 1)</source>
        <translation>（0 到 1 之间的概率）</translation>
    </message>
    <message>
        <source>(pairs of hex digits, e.g. &quot;A1 07 00 10 ...&quot;)</source>
        <translation>（成对的十六进制数字，例如 &quot;A1 07 00 10 ...&quot;）</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>未知选项 %1</translation>
    </message>
    <message>
        <source>missing value for %1</source>
        <translation>%1 缺少值</translation>
    </message>
    <message>
        <source>--once needs --frames-hex</source>
        <translation>--once 需要同时给出 --frames-hex</translation>
    </message>
    <message>
        <source>Usage: kzrt-meter-sim [options]

Simulates the voltage/current/power meter on a pseudo-terminal, for the
console to open without hardware. It links COM&lt;n&gt; in the current directory
to the pseudo-terminal (the console resolves port number n to that link
first), streams 18-byte meter frames paced as a real 8E1 line, and answers
the two bytes &quot;XT&quot; by switching between the binary and the text output
form, as the meter does. Ctrl+C (or SIGTERM) stops it and removes the link.

Options:
  --port N          port number: the link is COM&lt;N&gt; (default 1)
  --baud B          line speed the output is paced at (default 2400, the
                    console&apos;s default); a pseudo-terminal itself has no speed
  --fps F           frames per second (default 4); 0 sends back to back,
                    as fast as the line carries them
  --profile P       battery (default): a battery discharged in steps through
                    a load, voltage falling, current with ripple, heat-sink
                    temperature from -4 C to over 100 C, on an 800 s cycle;
                    steady: 12.000 V, 2.0000 A, +25.0 C exactly;
                    sweep: every voltage/current scale and temperature sign
                    code in turn; none: no readings
  --speed X         profile seconds per real second (default 1)
  --noise P         chance per frame of a burst of 1-8 garbage bytes (0..1)
  --drop P          chance per byte of being lost on the line (0..1)
  --frames-hex HEX  bytes to send once, as soon as a program opens the port,
                    e.g. &quot;A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03&quot;;
                    the profile then goes on
  --once            with --frames-hex: exit after sending them
  --text            start in the text output form
  --seed N          seed of the noise and drop choices (default 1)
  --help            this text

Example, beside the console in the same directory:
  kzrt-meter-sim --port 1 --baud 2400 &amp;
  kzrt-console          # choose COM1, 2400, then click the open button
</source>
        <translation>用法：kzrt-meter-sim [选项]

在伪终端上模拟电压/电流/功率表，供上位机在没有硬件时打开。它在当前目录中
建立指向该伪终端的链接 COM&lt;n&gt;（上位机首先把端口号 n 解析为这个链接），
按真实 8E1 线路的节奏发送 18 字节的电表数据帧，并像电表一样，收到两个字节
“XT”时在二进制输出和文本输出之间切换。按 Ctrl+C（或发送 SIGTERM）停止，
同时删除该链接。

选项：
  --port N          端口号：链接名为 COM&lt;N&gt;（默认 1）
  --baud B          输出节奏所按的线路速度（默认 2400，与上位机默认值相同）；
                    伪终端本身没有速度
  --fps F           每秒帧数（默认 4）；0 表示连续发送，线路能传多快就多快
  --profile P       battery（默认）：电池经负载分段放电，电压下降，电流带纹波，
                    散热器温度从 -4 C 升到 100 C 以上，周期 800 秒；
                    steady：恒为 12.000 V、2.0000 A、+25.0 C；
                    sweep：依次经过每个电压/电流量程和温度符号代码；
                    none：不发送读数
  --speed X         每个真实秒对应的模拟秒数（默认 1）
  --noise P         每帧前出现 1-8 个垃圾字节的概率（0..1）
  --drop P          每个字节在线路上丢失的概率（0..1）
  --frames-hex HEX  程序一打开端口就发送一次的字节，
                    例如 &quot;A1 07 00 10 01 02 03 04 05 00 01 02 03 04 2B 02 05 03&quot;；
                    之后继续按模拟方式发送
  --once            与 --frames-hex 同用：发送完后退出
  --text            以文本输出方式开始
  --seed N          噪声和丢字节选择的随机种子（默认 1）
  --help            显示本说明

示例，与上位机在同一目录中：
  kzrt-meter-sim --port 1 --baud 2400 &amp;
  kzrt-console          # 选择 COM1、2400，然后点击打开按钮
</translation>
    </message>
</context>
<context>
    <name>PortLamp</name>
    <message>
        <source>%1 is open on %2.</source>
        <translation>%1 已打开，设备为 %2。</translation>
    </message>
    <message>
        <source>No port number is selected: choose one in the COM box.</source>
        <translation>未选择端口号：请在 COM 框中选择一个。</translation>
    </message>
    <message>
        <source>%1 could not be opened: no such device (tried %2). Plug the meter&apos;s adapter in, or link %1 in the working directory to its device.</source>
        <translation>无法打开 %1：没有这个设备（已尝试 %2）。请插上电表的串口适配器，或在工作目录中建立指向其设备的链接 %1。</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>%1 (%2) could not be opened: %3.</source>
        <translation>无法打开 %1（%2）：%3。</translation>
    </message>
    <message>
        <source>Your user must be in the group that owns the device (usually dialout): sudo usermod -aG dialout $USER, then log in again.</source>
        <translation>当前用户必须属于拥有该设备的用户组（通常是 dialout）：执行 sudo usermod -aG dialout $USER，然后重新登录。</translation>
    </message>
    <message>
        <source>Another program holds the port; close it and try again.</source>
        <translation>另一个程序正在占用该端口；请关闭它后重试。</translation>
    </message>
    <message>
        <source>%1 went away at %2 and is no longer watched for: %3. Put it right and press %4 again.</source>
        <translation>%1 于 %2 断开，已不再等待它重新连接：%3。请排除问题后再按一次 %4。</translation>
    </message>
    <message>
        <source>%1 (%2) went away at %3: the adapter was unplugged or lost power. It is opened again as soon as it is back. Times lost since the port was opened: %4.</source>
        <translation>%1（%2）于 %3 断开：适配器被拔出或断电。它一回来就会自动重新打开。自打开串口以来断开次数：%4。</translation>
    </message>
    <message>
        <source>%1: it is left untouched, and %2 waits for the meter&apos;s adapter.</source>
        <translation>%1：不会打开或改动它，%2 继续等待电表的适配器。</translation>
    </message>
    <message>
        <source>%1 is open on %2. It went away at %3 and came back at %4. Times lost since the port was opened: %5.</source>
        <translation>%1 已打开，设备为 %2。它于 %3 断开，于 %4 恢复。自打开串口以来断开次数：%5。</translation>
    </message>
</context>
<context>
    <name>PortNumberBox</name>
    <message>
        <source>serial number %1</source>
        <translation>序列号 %1</translation>
    </message>
    <message>
        <source>No port number leads to a device now. Plug the meter&apos;s adapter in, then open this list again.</source>
        <translation>目前没有任何端口号对应到设备。请插上电表的串口适配器，然后再次打开此列表。</translation>
    </message>
    <message>
        <source>Port numbers that lead to a device now:</source>
        <translation>当前对应到设备的端口号：</translation>
    </message>
</context>
<context>
    <name>RecordBox</name>
    <message>
        <source>Publishing ([Publish] in the settings file) does not work: %1</source>
        <translation>网络发布（设置文件中的 [Publish] 节）无法工作：%1</translation>
    </message>
    <message>
        <source>Recording file: %1</source>
        <translation>数据记录文件：%1</translation>
    </message>
    <message>
        <source>This file could not be created in this folder (no write permission, the folder was deleted, or the disk is full): no data was recorded.</source>
        <translation>无法在此文件夹中创建此文件（没有写入权限、文件夹已被删除或磁盘已满），数据未记录。</translation>
    </message>
    <message>
        <source>This file is read-only: the last row was not recorded. Once it is writable again, the next rows are recorded as usual.</source>
        <translation>此文件是只读的，上次的数据未记录；取消它的只读属性后，之后的数据会照常写入。</translation>
    </message>
    <message>
        <source>The program folder is not writable: recording files are kept in the working folder.</source>
        <translation>程序目录不可写，记录文件保存在工作目录中。</translation>
    </message>
    <message>
        <source>Another program holds this file, or it could not be opened: the last rows are kept and written once it can be.</source>
        <translation>此文件正被其他程序占用或无法打开，最近的数据已保留，待可写入时一并写入。</translation>
    </message>
    <message>
        <source>An earlier rewrite of this file was cut short and cannot be finished yet (another program locks part of it, or the disk is full): the file is left as it is until it can be, and the last row was not recorded.</source>
        <translation>此文件上次的改写中途中断，目前还无法完成（其他程序锁定了其中一部分，或磁盘已满）；在能完成之前文件保持原样，上次的数据未记录。</translation>
    </message>
    <message>
        <source>The side file %1 held no whole record (cut short before any row went in, or damaged): it was not applied, and was removed.</source>
        <translation>附属文件 %1 不含完整记录（在写入任何数据前中断，或已损坏）：未被采用，已删除。</translation>
    </message>
    <message>
        <source>The side file %1 belongs to another file: it was not applied, and is kept as %2.</source>
        <translation>附属文件 %1 属于另一个文件：未被采用，已另存为 %2。</translation>
    </message>
    <message>
        <source>Writing to this file failed (no write permission, or the disk is full): the last rows are kept and written once it can be; the file keeps its content.</source>
        <translation>写入此文件失败（没有写权限，或磁盘已满）；最近的数据已保留，待可写入时一并写入；文件保持原有内容。</translation>
    </message>
    <message>
        <source>Another copy of the console or of kzrt-record records into this file: this copy writes nothing to it, and keeps its rows until the other one stops.</source>
        <translation>另一个控制台或 kzrt-record 正在向此文件记录数据；本程序不写入此文件，数据保留到另一个程序停止后再写入。</translation>
    </message>
    <message>
        <source>This file could not be completed when its recording ended (another program holds it, or the disk is full): its last rows wait in the hidden log beside it and are written as soon as it can be.</source>
        <translation>记录结束时此文件无法完成（正被其他程序占用，或磁盘已满）；最近的数据保存在旁边的隐藏日志中，待可写入时立即写入。</translation>
    </message>
    <message>
        <source>%1 had changed since a recording into it was cut short: the %2 rows of that recording it lacked were put in at their place by time.</source>
        <translation>%1 在上次记录中断后被改动过；该次记录中它缺少的 %2 行已按时间插入到相应位置。</translation>
    </message>
    <message>
        <source>%1 had changed since a recording into it was cut short, and its rows are not in time order: it was left as it is, and the %2 rows of that recording it lacked are kept in %3.</source>
        <translation>%1 在上次记录中断后被改动过，且其中的行未按时间排列；文件保持原样，该次记录中它缺少的 %2 行保存在 %3 中。</translation>
    </message>
    <message>
        <source>The hidden log of %1 was damaged: the file keeps every row it had with the log's rows before the damage, and the log is kept as %2.</source>
        <translation>%1 的隐藏日志已损坏；文件保留了原有的所有行及日志中损坏处之前的行，日志另存为 %2。</translation>
    </message>
</context>
</TS>
