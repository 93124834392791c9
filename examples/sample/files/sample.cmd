@echo off
echo Tarnwick Sample is running.
