<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AlarmSettings</name>
    <message>
        <source>Alarm %1: %2</source>
        <translation>报警 %1：%2</translation>
    </message>
    <message>
        <source>Alarm %1: &quot;%2&quot; is there already.</source>
        <translation>报警 %1：&quot;%2&quot; 已经存在。</translation>
    </message>
    <message>
        <source>Alarm %1: the command has a quote left open.</source>
        <translation>报警 %1：命令中有未闭合的引号。</translation>
    </message>
</context>
<context>
    <name>EnergySettings</name>
    <message>
        <source>Tariff %1: %2</source>
        <translation>电价文件 %1：%2</translation>
    </message>
</context>
<context>
    <name>FileTypes</name>
    <message>
        <source>JPEG picture (*.jpg)</source>
        <translation>jpg格式 (*.jpg)</translation>
    </message>
    <message>
        <source>PNG picture (*.png)</source>
        <translation>png格式 (*.png)</translation>
    </message>
    <message>
        <source>Text (*.txt)</source>
        <translation>txt格式 (*.txt)</translation>
    </message>
    <message>
        <source>Excel workbook (*.xlsx)</source>
        <translation>excel格式 (*.xlsx)</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>csv格式 (*.csv)</translation>
    </message>
    <message>
        <source>CSV for analysis, comma and decimal point (*.csv)</source>
        <translation>分析用 CSV，逗号分隔、小数点 (*.csv)</translation>
    </message>
    <message>
        <source>CSV for analysis, semicolon and decimal comma (*.csv)</source>
        <translation>分析用 CSV，分号分隔、小数逗号 (*.csv)</translation>
    </message>
    <message>
        <source>JSON Lines (*.jsonl)</source>
        <translation>JSON Lines (*.jsonl)</translation>
    </message>
    <message>
        <source>Excel workbook, numbers (*.xlsx)</source>
        <translation>Excel 工作簿，数值 (*.xlsx)</translation>
    </message>
</context>
<context>
    <name>MeterWords</name>
    <message>
        <source>normal</source>
        <translation>正序</translation>
    </message>
    <message>
        <source>reverse</source>
        <translation>逆序</translation>
    </message>
    <message>
        <source>error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Phase</source>
        <translation>相序</translation>
    </message>
</context>
<context>
    <name>PublishSettings</name>
    <message>
        <source>cannot read the password file %1: %2</source>
        <translation>无法读取密码文件 %1：%2</translation>
    </message>
    <message>
        <source>could not keep the password in %1: %2</source>
        <translation>无法将密码保存到 %1：%2</translation>
    </message>
</context>
<context>
    <name>StatusTexts</name>
    <message>
        <source>COM%1 Open</source>
        <translation>COM%1 已打开</translation>
    </message>
    <message>
        <source>COM%1Unviable</source>
        <translation>COM%1 不可用</translation>
    </message>
    <message>
        <source>no device</source>
        <translation>无设备</translation>
    </message>
    <message>
        <source>Permission denied on %1: your account needs access to serial devices (for example, join the dialout group with &quot;sudo usermod -aG dialout $USER&quot;, then log in again).</source>
        <translation>无权访问 %1：您的账户需要串口设备的访问权限（例如用 &quot;sudo usermod -aG dialout $USER&quot; 加入 dialout 组，然后重新登录）。</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>已连接</translation>
    </message>
    <message>
        <source>unconnected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>MQTT: off</source>
        <translation>MQTT：关闭</translation>
    </message>
    <message>
        <source>MQTT: waiting for the meter</source>
        <translation>MQTT：等待仪表</translation>
    </message>
    <message>
        <source>MQTT: connecting to %1</source>
        <translation>MQTT：正在连接 %1</translation>
    </message>
    <message>
        <source>MQTT: connected to %1</source>
        <translation>MQTT：已连接到 %1</translation>
    </message>
    <message>
        <source>MQTT: cannot reach %1 (%2); retrying in %3 s</source>
        <translation>MQTT：无法连接 %1（%2）；%3 秒后重试</translation>
    </message>
    <message>
        <source>MQTT: refused by %1 (%2); not retrying</source>
        <translation>MQTT：被 %1 拒绝（%2）；不再重试</translation>
    </message>
    <message>
        <source>MQTT: cannot start (%1)</source>
        <translation>MQTT：无法启动（%1）</translation>
    </message>
    <message>
        <source>; messages dropped: %1</source>
        <translation>；已丢弃消息：%1</translation>
    </message>
    <message>
        <source>no connection</source>
        <translation>无法建立连接</translation>
    </message>
    <message>
        <source>the connection was lost</source>
        <translation>连接已断开</translation>
    </message>
    <message>
        <source>no answer from the broker</source>
        <translation>代理服务器无应答</translation>
    </message>
    <message>
        <source>the broker is unavailable</source>
        <translation>代理服务器不可用</translation>
    </message>
    <message>
        <source>TLS failed</source>
        <translation>TLS 失败</translation>
    </message>
    <message>
        <source>user name or password refused</source>
        <translation>用户名或密码被拒绝</translation>
    </message>
    <message>
        <source>client id refused</source>
        <translation>客户端 ID 被拒绝</translation>
    </message>
    <message>
        <source>it does not speak MQTT 3.1.1</source>
        <translation>不支持 MQTT 3.1.1</translation>
    </message>
    <message>
        <source>its certificate failed verification</source>
        <translation>证书验证失败</translation>
    </message>
    <message>
        <source>the CA file cannot be used</source>
        <translation>CA 文件无法使用</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 分钟</translation>
    </message>
    <message>
        <source>Finishing the meter&apos;s transfer: it sends the rest of its records, which are dropped; polling resumes when it falls silent.</source>
        <translation>正在等待仪表完成传输：仪表仍在发送其余记录，这些记录将被丢弃；仪表停止发送后恢复轮询。</translation>
    </message>
    <message>
        <source>Downloading records: %1 of %2</source>
        <translation>正在下载记录：%1 / %2</translation>
    </message>
    <message>
        <source>%1, about %2 left.</source>
        <comment>records received, time left</comment>
        <translation>%1，约剩 %2。</translation>
    </message>
    <message>
        <source>Download cancelled: %1 of %2 records kept; the table is incomplete.</source>
        <translation>下载已取消：保留了 %2 条记录中的 %1 条；表格不完整。</translation>
    </message>
    <message>
        <source>The table is incomplete: %1 of %2 records arrived.</source>
        <translation>表格不完整：%2 条记录中收到了 %1 条。</translation>
    </message>
    <message>
        <source>Alarm raised: %1</source>
        <translation>报警触发：%1</translation>
    </message>
    <message>
        <source>Alarm cleared: %1</source>
        <translation>报警解除：%1</translation>
    </message>
    <message>
        <source>no %1 since %2</source>
        <comment>a silent quantity, the time</comment>
        <translation>自 %2 起没有 %1</translation>
    </message>
    <message>
        <source>%1 %2 at %3</source>
        <comment>key, value, time</comment>
        <translation>%1 %2，时间 %3</translation>
    </message>
    <message>
        <source>raised</source>
        <translation>触发</translation>
    </message>
    <message>
        <source>cleared</source>
        <translation>解除</translation>
    </message>
    <message>
        <source>%1 %2 %3</source>
        <comment>time, raised or cleared, rule</comment>
        <translation>%1 %2 %3</translation>
    </message>
    <message>
        <source>%1 %2 %3 (%4)</source>
        <comment>time, raised or cleared, rule, value</comment>
        <translation>%1 %2 %3（%4）</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <comment>rule, value</comment>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>Alarm: %1</source>
        <translation>报警：%1</translation>
    </message>
    <message>
        <source>The alarm command %1 ended with exit code %2.</source>
        <translation>报警命令 %1 结束，退出码 %2。</translation>
    </message>
    <message>
        <source>The alarm command %1 could not start: %2</source>
        <translation>报警命令 %1 无法启动：%2</translation>
    </message>
    <message>
        <source>The alarm command %1 crashed: %2</source>
        <translation>报警命令 %1 崩溃：%2</translation>
    </message>
    <message>
        <source>The alarm command %1 ran longer than %2 s and was stopped.</source>
        <translation>报警命令 %1 运行超过 %2 秒，已被停止。</translation>
    </message>
    <message>
        <source>The alarm command %1 was still running, so it did not run for this event.</source>
        <translation>报警命令 %1 仍在运行，因此本次事件未再运行它。</translation>
    </message>
    <message>
        <source>the first power reading</source>
        <translation>第一个功率读数</translation>
    </message>
    <message>
        <source>Energy since %1: E %2 kWh (L1 %3, L2 %4, L3 %5 kWh)</source>
        <translation>自 %1 起的电能：E %2 kWh（L1 %3，L2 %4，L3 %5 kWh）</translation>
    </message>
    <message>
        <source>%1, cost %2</source>
        <comment>energy, cost</comment>
        <translation>%1，费用 %2</translation>
    </message>
    <message>
        <source>Energy not accumulating: no readings for more than 10 s.</source>
        <translation>电能未累计：超过 10 秒没有读数。</translation>
    </message>
    <message>
        <source>Energy not accumulating: the link is lost.</source>
        <translation>电能未累计：连接已断开。</translation>
    </message>
    <message>
        <source>Energy not accumulating: the meter sends no power (P) at the moment.</source>
        <translation>电能未累计：仪表当前未发送功率（P）。</translation>
    </message>
    <message>
        <source>Energy not accumulating: the power is in overload (OL).</source>
        <translation>电能未累计：功率过载（OL）。</translation>
    </message>
    <message>
        <source>Energy totals: %1</source>
        <translation>电能累计值：%1</translation>
    </message>
    <message>
        <source>Energy: waiting for the meter; its totals so far are read once it is found.</source>
        <translation>电能：正在等待仪表；找到仪表后读取其已有的累计值。</translation>
    </message>
</context>
<context>
    <name>korvane</name>
    <message>
        <source>Desktop companion for the power meter.</source>
        <translation>功率计的桌面助手。</translation>
    </message>
    <message>
        <source>Devices to search as COM1, COM2, ... instead of the system&apos;s serial ports; remembered for the next start (&quot;auto&quot;: the system&apos;s ports again).</source>
        <translation>作为 COM1、COM2……搜索的设备，代替系统的串口；下次启动时沿用（&quot;auto&quot;：恢复系统的串口）。</translation>
    </message>
    <message>
        <source>Start a virtual meter and search it as COM1.</source>
        <translation>启动一台虚拟仪表，并作为 COM1 搜索。</translation>
    </message>
    <message>
        <source>The window&apos;s language for this run: en or zh_CN (default: the choice in Help, else the system&apos;s).</source>
        <translation>本次运行的界面语言：en 或 zh_CN（默认：帮助中的选择，否则为系统语言）。</translation>
    </message>
    <message>
        <source>The virtual meter could not start: %1</source>
        <translation>虚拟仪表无法启动：%1</translation>
    </message>
    <message>
        <source>Show a saved log in a trend window of its own; repeat it for logs that go together.</source>
        <translation>在单独的趋势窗口中显示已保存的日志；属于同一次测量的多个日志可重复此选项。</translation>
    </message>
    <message>
        <source>Logs to show, as with --open.</source>
        <translation>要显示的日志，同 --open。</translation>
    </message>
</context>
<context>
    <name>korvane::app::AlarmsDialog</name>
    <message>
        <source>Alarms</source>
        <translation>报警</translation>
    </message>
    <message>
        <source>Rule</source>
        <translation>规则</translation>
    </message>
    <message>
        <source>Command (optional)</source>
        <translation>命令（可选）</translation>
    </message>
    <message>
        <source>A rule is a quantity, &amp;gt; or &amp;lt; a threshold, with an optional duration and clear threshold, or a silence: &lt;code&gt;U1&amp;gt;253 for 5s clear 251&lt;/code&gt;, &lt;code&gt;F&amp;lt;49.5&lt;/code&gt;, &lt;code&gt;U1 silent 30s&lt;/code&gt;. A command runs without a shell at each event; &lt;code&gt;%key&lt;/code&gt;, &lt;code&gt;%value&lt;/code&gt;, &lt;code&gt;%state&lt;/code&gt; and &lt;code&gt;%time&lt;/code&gt; in it are replaced, and it is stopped after 10 s.</source>
        <translation>规则由一个测量量、&amp;gt; 或 &amp;lt; 与阈值组成，可附加持续时间和解除阈值，或写成无数据规则：&lt;code&gt;U1&amp;gt;253 for 5s clear 251&lt;/code&gt;、&lt;code&gt;F&amp;lt;49.5&lt;/code&gt;、&lt;code&gt;U1 silent 30s&lt;/code&gt;。每次事件时不经 shell 运行命令；其中的 &lt;code&gt;%key&lt;/code&gt;、&lt;code&gt;%value&lt;/code&gt;、&lt;code&gt;%state&lt;/code&gt; 和 &lt;code&gt;%time&lt;/code&gt; 会被替换，运行超过 10 秒即被停止。</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>添加(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>删除(&amp;R)</translation>
    </message>
</context>
<context>
    <name>korvane::app::EnergyDialog</name>
    <message>
        <source>Energy</source>
        <translation>电能</translation>
    </message>
    <message>
        <source>&amp;Count the energy consumed</source>
        <translation>累计消耗的电能(&amp;C)</translation>
    </message>
    <message>
        <source>E1, E2, E3 and E in Wh, from the active powers P1, P2, P3 and P. The meter&apos;s power has no sign, so this is energy consumed. More than 10 s without a power, or an overload, adds nothing and is logged as a gap. The totals are kept per meter and survive a restart.</source>
        <translation>E1、E2、E3 和 E，单位 Wh，由有功功率 P1、P2、P3 和 P 积分得到。仪表的功率不带符号，因此这是消耗的电能。超过 10 秒没有功率或出现过载时不累计，并在日志中记为间断。累计值按仪表分别保存，重启后继续。</translation>
    </message>
    <message>
        <source>&amp;Tariff file (optional, for the cost):</source>
        <translation>电价文件（可选，用于计算费用）(&amp;T)：</translation>
    </message>
    <message>
        <source>No tariff: energy without cost</source>
        <translation>无电价文件：只计电能，不计费用</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>浏览(&amp;B)...</translation>
    </message>
    <message>
        <source>Tariff file</source>
        <translation>电价文件</translation>
    </message>
    <message>
        <source>Tariff (*.ini);;All files (*)</source>
        <translation>电价文件 (*.ini);;所有文件 (*)</translation>
    </message>
    <message>
        <source>An INI file: &lt;code&gt;currency = EUR&lt;/code&gt;, then per date it takes effect &lt;code&gt;[from 2026-01-01]&lt;/code&gt; with &lt;code&gt;standing = 0.40&lt;/code&gt; a day, &lt;code&gt;price = 0.30&lt;/code&gt; per kWh and time-of-use prices such as &lt;code&gt;price 22:00-06:00 = 0.20&lt;/code&gt;.</source>
        <translation>INI 文件：&lt;code&gt;currency = EUR&lt;/code&gt;，然后按生效日期分节 &lt;code&gt;[from 2026-01-01]&lt;/code&gt;，其中 &lt;code&gt;standing = 0.40&lt;/code&gt; 为每日固定费用，&lt;code&gt;price = 0.30&lt;/code&gt; 为每 kWh 电价，分时电价如 &lt;code&gt;price 22:00-06:00 = 0.20&lt;/code&gt;。</translation>
    </message>
</context>
<context>
    <name>korvane::app::HelpBox</name>
    <message>
        <source>Thank you for using our product.</source>
        <translation>感谢您使用我们的产品。</translation>
    </message>
    <message>
        <source>&lt;table&gt;&lt;tr&gt;&lt;td&gt;Ctrl+1 … Ctrl+5&amp;nbsp;&amp;nbsp;&lt;/td&gt;&lt;td&gt;the tabs&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;Ctrl+S&lt;/td&gt;&lt;td&gt;Save what the tab shows&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;Ctrl+R&lt;/td&gt;&lt;td&gt;Read the stored records (Record tab)&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;F1&lt;/td&gt;&lt;td&gt;this help&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;Ctrl+Q&lt;/td&gt;&lt;td&gt;Close&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;</source>
        <translation>&lt;table&gt;&lt;tr&gt;&lt;td&gt;Ctrl+1 … Ctrl+5&amp;nbsp;&amp;nbsp;&lt;/td&gt;&lt;td&gt;切换选项卡&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;Ctrl+S&lt;/td&gt;&lt;td&gt;保存当前选项卡显示的内容&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;Ctrl+R&lt;/td&gt;&lt;td&gt;读取仪表存储的记录（记录选项卡）&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;F1&lt;/td&gt;&lt;td&gt;本帮助&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td&gt;Ctrl+Q&lt;/td&gt;&lt;td&gt;关闭&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;</translation>
    </message>
    <message>
        <source>A companion for the handheld power meter: it finds the meter on a serial port by itself, shows its live readings, downloads the records stored in it, and saves, charts, logs and publishes what it measures.</source>
        <translation>手持式功率计的助手：自动在串口上找到仪表，显示实时读数，下载仪表中存储的记录，并保存、绘制、记录和发布测量结果。</translation>
    </message>
    <message>
        <source>Free software under the GNU General Public License, version 3 or later; it comes with no warranty.</source>
        <translation>自由软件，依据 GNU 通用公共许可证第 3 版或更高版本发布；不提供任何担保。</translation>
    </message>
    <message>
        <source>&lt;b&gt;Reaching the meter:&lt;/b&gt; connect it with its USB-serial cable; Korvane tries COM1 to COM16 by itself. On Linux your account needs the dialout group: &lt;code&gt;sudo usermod -aG dialout $USER&lt;/code&gt;, then log in again.</source>
        <translation>&lt;b&gt;连接仪表：&lt;/b&gt;用 USB 串口线连接仪表，Korvane 会自动尝试 COM1 到 COM16。在 Linux 上，您的账户需要加入 dialout 组：&lt;code&gt;sudo usermod -aG dialout $USER&lt;/code&gt;，然后重新登录。</translation>
    </message>
    <message>
        <source>&lt;b&gt;Files:&lt;/b&gt; Save opens in %1; a log goes where you choose; settings are kept in %2.</source>
        <translation>&lt;b&gt;文件：&lt;/b&gt;保存对话框默认打开 %1；日志保存在您选择的位置；设置保存在 %2。</translation>
    </message>
    <message>
        <source>Keys</source>
        <translation>快捷键</translation>
    </message>
    <message>
        <source>More in the README: %1, and in /usr/share/doc/korvane where the package is installed.</source>
        <translation>更多说明见 README：%1；安装软件包后也可在 /usr/share/doc/korvane 中找到。</translation>
    </message>
    <message>
        <source>The system&apos;s language</source>
        <translation>系统语言</translation>
    </message>
    <message>
        <source>&amp;Language (from the next start):</source>
        <translation>语言（下次启动生效）(&amp;L)：</translation>
    </message>
</context>
<context>
    <name>korvane::app::LogControl</name>
    <message>
        <source>CSV, comma and decimal point (*.csv)</source>
        <translation>CSV，逗号分隔、小数点 (*.csv)</translation>
    </message>
    <message>
        <source>CSV, semicolon and decimal comma (*.csv)</source>
        <translation>CSV，分号分隔、小数逗号 (*.csv)</translation>
    </message>
    <message>
        <source>Start log...</source>
        <translation>开始记录...</translation>
    </message>
    <message>
        <source>Write every live frame to a CSV file as it arrives</source>
        <translation>把收到的每一帧实时数据写入 CSV 文件</translation>
    </message>
    <message>
        <source>Stop log</source>
        <translation>停止记录</translation>
    </message>
    <message>
        <source>Log saved: %1 (%2)</source>
        <translation>日志已保存：%1（%2）</translation>
    </message>
    <message>
        <source>Logging to %1 (%2)</source>
        <translation>正在记录到 %1（%2）</translation>
    </message>
    <message>
        <source>Logging stopped: %1</source>
        <translation>记录已停止：%1</translation>
    </message>
    <message>
        <source>Logging to %1 (%2); %3 exists and is kept</source>
        <translation>正在记录到 %1（%2）；%3 已存在并予以保留</translation>
    </message>
    <message>
        <source>Open log...</source>
        <translation>打开日志...</translation>
    </message>
    <message>
        <source>Show saved logs in a trend of their own (or drop the files on the window)</source>
        <translation>在单独的趋势图中显示已保存的日志（也可把文件拖放到窗口上）</translation>
    </message>
</context>
<context>
    <name>korvane::app::LogWindow</name>
    <message numerus="yes">
        <source>Korvane: %1 and %n more</source>
        <translation>
            <numerusform>Korvane：%1 及另外 %n 个</numerusform>
        </translation>
    </message>
    <message>
        <source>Korvane: %1</source>
        <translation>Korvane：%1</translation>
    </message>
    <message>
        <source>Reading: %1 %</source>
        <translation>正在读取：%1 %</translation>
    </message>
    <message numerus="yes">
        <source>%n frames from %1 to %2</source>
        <translation>
            <numerusform>%n 帧，从 %1 到 %2</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n gaps</source>
        <translation>
            <numerusform>%n 处间断</numerusform>
        </translation>
    </message>
    <message>
        <source> (%1 in all)</source>
        <translation>（共 %1）</translation>
    </message>
    <message>
        <source>meter on %1</source>
        <translation>仪表位于 %1</translation>
    </message>
    <message>
        <source>Stopped: %1</source>
        <translation>已停止：%1</translation>
    </message>
    <message>
        <source>%1: nothing in the span shown</source>
        <translation>%1：所示时段内无数据</translation>
    </message>
    <message numerus="yes">
        <source>%1: lowest %2, mean %3, highest %4 (%n samples)</source>
        <translation>
            <numerusform>%1：最低 %2，平均 %3，最高 %4（%n 个采样）</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n alarm events (dashed: red raised, green cleared)</source>
        <translation>
            <numerusform>%n 个报警事件（虚线：红色为触发，绿色为解除）</numerusform>
        </translation>
    </message>
    <message>
        <source>Report...</source>
        <translation>报告...</translation>
    </message>
    <message>
        <source>A PDF survey report of this log, or its statistics as CSV</source>
        <translation>生成此日志的 PDF 测量报告，或将其统计数据保存为 CSV</translation>
    </message>
    <message>
        <source> report</source>
        <translation> 报告</translation>
    </message>
    <message>
        <source>PDF survey report (*.pdf)</source>
        <translation>PDF 测量报告 (*.pdf)</translation>
    </message>
    <message>
        <source>Statistics as CSV (*.csv)</source>
        <translation>统计数据 CSV (*.csv)</translation>
    </message>
</context>
<context>
    <name>korvane::app::MainWindow</name>
    <message>
        <source>Closing Korvane stops the log or publishing that is running. Stop and close?</source>
        <translation>关闭 Korvane 会停止正在进行的记录或发布。停止并关闭吗？</translation>
    </message>
    <message>
        <source>Stop and close</source>
        <translation>停止并关闭</translation>
    </message>
    <message>
        <source>The meter holds %1 %2; downloading takes about %3. Live readings pause meanwhile, so the log and publishing get none until it ends.</source>
        <translation>仪表中有 %1 %2；下载约需 %3。下载期间实时读数暂停，记录和发布在下载结束前收不到数据。</translation>
    </message>
    <message>
        <source>record</source>
        <translation>条记录</translation>
    </message>
    <message>
        <source>records</source>
        <translation>条记录</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>The download is incomplete: the meter fell silent after %1 of %2 records.</source>
        <translation>下载不完整：仪表在 %2 条记录中的第 %1 条之后停止了应答。</translation>
    </message>
    <message>
        <source>The meter&apos;s answer to the record count was malformed. Press Read to try again.</source>
        <translation>仪表对记录数量请求的应答格式有误。请按“读取”重试。</translation>
    </message>
    <message>
        <source>The meter did not answer the record count request. Press Read to try again.</source>
        <translation>仪表没有应答记录数量请求。请按“读取”重试。</translation>
    </message>
    <message>
        <source>unconnected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>COM status</source>
        <translation>COM 状态</translation>
    </message>
    <message>
        <source>&amp;Read</source>
        <translation>读取(&amp;R)</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>保存(&amp;S)</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>清除(&amp;L)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>关闭(&amp;C)</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <comment>a button and its shortcut</comment>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>Ca&amp;ncel</source>
        <translation>取消(&amp;N)</translation>
    </message>
    <message>
        <source>Start the energy and its cost again from zero? The totals so far are forgotten.</source>
        <translation>将电能及其费用从零重新开始计算吗？目前的累计值将被清除。</translation>
    </message>
    <message>
        <source>Reset energy</source>
        <translation>电能清零</translation>
    </message>
    <message>
        <source>Open log</source>
        <translation>打开日志</translation>
    </message>
    <message>
        <source>Korvane logs (*.csv *.jsonl);;All files (*)</source>
        <translation>Korvane 日志 (*.csv *.jsonl);;所有文件 (*)</translation>
    </message>
</context>
<context>
    <name>korvane::app::OverviewPage</name>
    <message>
        <source>Reset</source>
        <translation>重置</translation>
    </message>
    <message>
        <source>Forget the lowest and highest values</source>
        <translation>清除最低值和最高值</translation>
    </message>
    <message>
        <source>↓ lowest, ↑ highest since %1  ·  grey: older than %2 s or the link lost</source>
        <translation>↓ 最低，↑ 最高（自 %1 起）  ·  灰色：超过 %2 秒未更新或连接已断开</translation>
    </message>
    <message>
        <source>Overview  %1</source>
        <translation>总览  %1</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>合计</translation>
    </message>
    <message>
        <source>Meter clock  %1</source>
        <translation>仪表时钟  %1</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>总览</translation>
    </message>
    <message>
        <source>Alarms...</source>
        <translation>报警...</translation>
    </message>
    <message>
        <source>Rules that raise an alarm, and what each one runs</source>
        <translation>触发报警的规则，以及每条规则运行的命令</translation>
    </message>
    <message>
        <source>Alarms: no event yet.</source>
        <translation>报警：尚无事件。</translation>
    </message>
    <message>
        <source>Alarms, latest first:</source>
        <translation>报警（最新的在前）：</translation>
    </message>
    <message>
        <source>Energy...</source>
        <translation>电能...</translation>
    </message>
    <message>
        <source>Count the energy consumed, and its cost from a tariff</source>
        <translation>累计消耗的电能，并按电价计算费用</translation>
    </message>
    <message>
        <source>Reset energy</source>
        <translation>电能清零</translation>
    </message>
    <message>
        <source>Start the energy and its cost again from zero</source>
        <translation>将电能及其费用从零重新开始计算</translation>
    </message>
</context>
<context>
    <name>korvane::app::PhasorPage</name>
    <message>
        <source>Phasor</source>
        <translation>相量</translation>
    </message>
</context>
<context>
    <name>korvane::app::PhasorView</name>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 分钟</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>正序</translation>
    </message>
    <message>
        <source>reverse</source>
        <translation>逆序</translation>
    </message>
    <message>
        <source>Phasor diagram, </source>
        <translation>相量图，</translation>
    </message>
    <message>
        <source>U1 at 0°, angles lag U1 (clockwise)</source>
        <translation>U1 位于 0°，角度为滞后于 U1 的角度（顺时针）</translation>
    </message>
    <message>
        <source>Phase sequence: %1</source>
        <translation>相序：%1</translation>
    </message>
    <message>
        <source>The arrows show a %1 sequence; the meter says %2.</source>
        <translation>箭头显示的相序为%1，仪表报告的相序为%2。</translation>
    </message>
    <message>
        <source>received %1 ago</source>
        <translation>%1前收到</translation>
    </message>
    <message>
        <source>Phase sequence</source>
        <translation>相序</translation>
    </message>
    <message>
        <source>not received</source>
        <translation>未收到</translation>
    </message>
    <message>
        <source>received %1 (%2 before)</source>
        <translation>收到于 %1（早 %2）</translation>
    </message>
</context>
<context>
    <name>korvane::app::PublishControl</name>
    <message>
        <source>Publish...</source>
        <translation>发布...</translation>
    </message>
    <message>
        <source>Publish live readings to an MQTT broker</source>
        <translation>将实时读数发布到 MQTT 代理服务器</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Try the broker again with the same settings</source>
        <translation>用相同设置再次尝试连接代理服务器</translation>
    </message>
    <message>
        <source>MQTT: %1</source>
        <translation>MQTT：%1</translation>
    </message>
</context>
<context>
    <name>korvane::app::PublishDialog</name>
    <message>
        <source>Publish over MQTT</source>
        <translation>通过 MQTT 发布</translation>
    </message>
    <message>
        <source>&amp;Publish live readings</source>
        <translation>发布实时读数(&amp;P)</translation>
    </message>
    <message>
        <source>HOST[:PORT], mqtt://HOST[:PORT] or mqtts://HOST[:PORT]</source>
        <translation>主机[:端口]、mqtt://主机[:端口] 或 mqtts://主机[:端口]</translation>
    </message>
    <message>
        <source>korvane/&lt;meter id&gt;</source>
        <translation>korvane/&lt;仪表 ID&gt;</translation>
    </message>
    <message>
        <source>the system&apos;s certificate authorities</source>
        <translation>系统的证书颁发机构</translation>
    </message>
    <message>
        <source>C&amp;hoose...</source>
        <translation>选择(&amp;H)...</translation>
    </message>
    <message>
        <source>Choose the certificate authority&apos;s file (PEM)</source>
        <translation>选择证书颁发机构的文件（PEM）</translation>
    </message>
    <message>
        <source>Announce the readings to Home &amp;Assistant</source>
        <translation>向 Home Assistant 通告读数(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Broker:</source>
        <translation>代理服务器(&amp;B)：</translation>
    </message>
    <message>
        <source>&amp;Topic prefix:</source>
        <translation>主题前缀(&amp;T)：</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>用户名(&amp;U)：</translation>
    </message>
    <message>
        <source>Pass&amp;word:</source>
        <translation>密码(&amp;W)：</translation>
    </message>
    <message>
        <source>CA &amp;file (mqtts):</source>
        <translation>CA 文件（mqtts）(&amp;F)：</translation>
    </message>
    <message>
        <source>T&amp;est connection</source>
        <translation>测试连接(&amp;E)</translation>
    </message>
    <message>
        <source>cannot use the CA file %1: %2</source>
        <translation>无法使用 CA 文件 %1：%2</translation>
    </message>
    <message>
        <source>Publishing is off. Start publishing live readings to this broker?</source>
        <translation>发布已关闭。要开始向此代理服务器发布实时读数吗？</translation>
    </message>
    <message>
        <source>Start publishing</source>
        <translation>开始发布</translation>
    </message>
    <message>
        <source>Keep it off</source>
        <translation>保持关闭</translation>
    </message>
    <message>
        <source>Certificate authority</source>
        <translation>证书颁发机构</translation>
    </message>
    <message>
        <source>Certificates (*.pem *.crt *.cer)</source>
        <translation>证书 (*.pem *.crt *.cer)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>所有文件 (*)</translation>
    </message>
    <message>
        <source>%1 accepts the connection.</source>
        <translation>%1 接受了连接。</translation>
    </message>
    <message>
        <source>%1 refuses: %2</source>
        <translation>%1 拒绝连接：%2</translation>
    </message>
    <message>
        <source>Cannot reach %1: %2</source>
        <translation>无法连接 %1：%2</translation>
    </message>
    <message>
        <source>Connecting to %1...</source>
        <translation>正在连接 %1...</translation>
    </message>
</context>
<context>
    <name>korvane::app::RealtimePage</name>
    <message>
        <source>Realtime</source>
        <translation>实时</translation>
    </message>
    <message>
        <source>stale</source>
        <translation>旧数据</translation>
    </message>
</context>
<context>
    <name>korvane::app::RecordPage</name>
    <message>
        <source>Live readings pause while the records download.</source>
        <translation>下载记录期间实时读数暂停。</translation>
    </message>
    <message>
        <source>Live readings pause while this page is shown; a log or publishing would keep them coming.</source>
        <translation>显示此页时实时读数暂停；若正在记录或发布，则会继续读取。</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>记录</translation>
    </message>
    <message>
        <source>Text, first four columns (*.txt)</source>
        <translation>txt格式，仅前四列 (*.txt)</translation>
    </message>
    <message>
        <source>The record table was empty: the file holds only its headings. Press Read to download the meter&apos;s records first.</source>
        <translation>记录表为空：文件中只有表头。请先按“读取”下载仪表中的记录。</translation>
    </message>
</context>
<context>
    <name>korvane::app::ReportDialog</name>
    <message>
        <source>Survey report</source>
        <translation>测量报告</translation>
    </message>
    <message>
        <source>The whole survey, %1</source>
        <translation>整个测量期间，%1</translation>
    </message>
    <message>
        <source>The span shown, %1</source>
        <translation>当前显示的时段，%1</translation>
    </message>
    <message>
        <source>&amp;Title:</source>
        <translation>标题(&amp;T)：</translation>
    </message>
    <message>
        <source>Period:</source>
        <translation>时段：</translation>
    </message>
    <message>
        <source>&amp;Nominal voltage (phase to neutral):</source>
        <translation>标称电压（相对中性线）(&amp;N)：</translation>
    </message>
    <message>
        <source>Nominal &amp;frequency:</source>
        <translation>标称频率(&amp;F)：</translation>
    </message>
</context>
<context>
    <name>korvane::app::TrendPage</name>
    <message>
        <source>Trend</source>
        <translation>趋势</translation>
    </message>
</context>
<context>
    <name>korvane::app::TrendView</name>
    <message>
        <source>Voltages</source>
        <translation>电压</translation>
    </message>
    <message>
        <source>Currents</source>
        <translation>电流</translation>
    </message>
    <message>
        <source>Power factors</source>
        <translation>功率因数</translation>
    </message>
    <message>
        <source>Active power</source>
        <translation>有功功率</translation>
    </message>
    <message>
        <source>Reactive power</source>
        <translation>无功功率</translation>
    </message>
    <message>
        <source>Apparent power</source>
        <translation>视在功率</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Angles</source>
        <translation>角度</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Everything since start, following the newest data</source>
        <translation>自启动以来的全部数据，并跟随最新数据</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>窗口</translation>
    </message>
    <message>
        <source>Open the trend in a window of its own</source>
        <translation>在单独的窗口中打开趋势图</translation>
    </message>
    <message>
        <source>Save...</source>
        <translation>保存...</translation>
    </message>
    <message>
        <source>The chart as PNG or its samples as CSV (Ctrl+S)</source>
        <translation>将图表保存为 PNG，或将采样数据保存为 CSV（Ctrl+S）</translation>
    </message>
    <message>
        <source>Quantities</source>
        <translation>物理量</translation>
    </message>
    <message>
        <source>The quantities to draw</source>
        <translation>要绘制的物理量</translation>
    </message>
    <message>
        <source>(no unit)</source>
        <translation>（无单位）</translation>
    </message>
    <message>
        <source>Korvane: trend</source>
        <translation>Korvane：趋势</translation>
    </message>
    <message>
        <source>Energy</source>
        <translation>电能</translation>
    </message>
    <message>
        <source>Wheel or + and -: zoom. Left drag: zoom into a span. Right drag or arrow keys: pan.</source>
        <translation>滚轮或 + 和 -：缩放。左键拖动：放大所选区间。右键拖动或方向键：平移。</translation>
    </message>
</context>
<context>
    <name>korvane::publish</name>
    <message>
        <source>the broker is mqtt://HOST[:PORT] or mqtts://HOST[:PORT]</source>
        <translation>代理服务器地址应为 mqtt://主机[:端口] 或 mqtts://主机[:端口]</translation>
    </message>
    <message>
        <source>the broker&apos;s address may not end in a query (?...) or a fragment (#...)</source>
        <translation>代理服务器地址末尾不能带查询（?...）或片段（#...）</translation>
    </message>
    <message>
        <source>the broker&apos;s port is 1 to 65535</source>
        <translation>代理服务器端口应在 1 到 65535 之间</translation>
    </message>
    <message>
        <source>%1 cannot be used: %2</source>
        <translation>%1 无法使用：%2</translation>
    </message>
    <message>
        <source>a client thread</source>
        <translation>客户端线程</translation>
    </message>
    <message>
        <source>the user name or password</source>
        <translation>用户名或密码</translation>
    </message>
    <message>
        <source>the status topic %1</source>
        <translation>状态主题 %1</translation>
    </message>
    <message>
        <source>the certificate authority %1 cannot be used: %2</source>
        <translation>证书颁发机构文件 %1 无法使用：%2</translation>
    </message>
    <message>
        <source>the certificate authority %1</source>
        <translation>证书颁发机构文件 %1</translation>
    </message>
    <message>
        <source>cannot make an MQTT client: </source>
        <translation>无法创建 MQTT 客户端：</translation>
    </message>
    <message>
        <source>the client id %1 cannot be used (it must be UTF-8 without control characters)</source>
        <translation>客户端 ID %1 无法使用（必须是不含控制字符的 UTF-8 文本）</translation>
    </message>
    <message>
        <source>no such file</source>
        <translation>文件不存在</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>这是一个文件夹</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>这不是普通文件</translation>
    </message>
    <message>
        <source>it is larger than 64 KiB</source>
        <translation>文件大于 64 KiB</translation>
    </message>
    <message>
        <source>no certificate in it (%1)</source>
        <translation>其中没有证书（%1）</translation>
    </message>
    <message>
        <source>no certificate in it</source>
        <translation>其中没有证书</translation>
    </message>
    <message>
        <source>the topic prefix may not start with $ (brokers keep those topics for themselves)</source>
        <translation>主题前缀不能以 $ 开头（这类主题由代理服务器自用）</translation>
    </message>
    <message>
        <source>the topic prefix may not hold # or +</source>
        <translation>主题前缀不能包含 # 或 +</translation>
    </message>
    <message>
        <source>the topic prefix may not hold NUL or control characters</source>
        <translation>主题前缀不能包含 NUL 或控制字符</translation>
    </message>
    <message>
        <source>the topic prefix needs a name on each level, e.g. site1/meter1</source>
        <translation>主题前缀的每一级都需要名称，例如 site1/meter1</translation>
    </message>
    <message>
        <source>the topic prefix is too long: MQTT topics are at most 65535 bytes</source>
        <translation>主题前缀太长：MQTT 主题最多 65535 字节</translation>
    </message>
</context>
</TS>
