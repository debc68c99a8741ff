<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>q4t::OpenFileDialog</name>
    <message>
        <source>Q4T Dateien (*.q4t)</source>
        <translation>Q4TFor Dateien (*.q4t)</translation>
    </message>
</context>
</TS>
